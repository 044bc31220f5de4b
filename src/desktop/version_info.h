// The program's version record, compiled in from the build's project version and texts. The
// short version string "major.minor" also decides whether a settings file is trusted.
#pragma once

#include <QString>

class CVersionInfo {
public:
    // Takes the record the build compiled in; false (and empty answers) when it has none.
    bool Load();

    QString GetVersionString() const;
    QString GetFileDescription() const;
    QString GetLegalCopyright() const;
    QString GetCompanyName() const;

private:
    bool m_bLoaded = false;
};

// The version string of the running program, as the settings file records it; empty without a
// version record.
QString RunningVersion();
