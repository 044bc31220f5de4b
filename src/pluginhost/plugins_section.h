// The "Plugins" section of the settings file, read and written as raw INI text so that its
// entries keep their exact "%d=%s" form and order (a generic settings reader would sort and
// escape them). The other sections of the text pass through unchanged.
#pragma once

#include <QByteArray>
#include <QStringList>

// Largest section text, entries with their terminators and the final terminator included.
inline constexpr int kPluginsSectionLimit = 30000;

// The values of the section's entries in section order. Keys are ignored; an entry without "="
// ends the reading; blank lines and ';' comments are skipped; no more than kPluginsSectionLimit
// bytes of entries are read.
QStringList ReadPluginsSection(const QByteArray& iniText);

// `iniText` with the section replaced by "1=first", "2=second", ... (appended when missing).
// Names that would take the section past kPluginsSectionLimit are dropped.
QByteArray ReplacePluginsSection(const QByteArray& iniText, const QStringList& names);
