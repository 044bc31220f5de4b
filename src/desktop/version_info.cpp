#include "desktop/version_info.h"

#ifndef XKORVO_VERSION_STRING
#define XKORVO_VERSION_STRING ""
#endif

bool CVersionInfo::Load() {
    m_bLoaded = sizeof(XKORVO_VERSION_STRING) > 1;
    return m_bLoaded;
}

QString CVersionInfo::GetVersionString() const {
    return m_bLoaded ? QStringLiteral(XKORVO_VERSION_STRING) : QString();
}

QString CVersionInfo::GetFileDescription() const {
    return m_bLoaded ? QStringLiteral("xKorvo colour reducer") : QString();
}

QString CVersionInfo::GetLegalCopyright() const {
    return m_bLoaded ? QStringLiteral("Copyright (C) 2026") : QString();
}

QString CVersionInfo::GetCompanyName() const {
    return m_bLoaded ? QStringLiteral("The xKorvo developers") : QString();
}

QString RunningVersion() {
    CVersionInfo version;
    version.Load();
    return version.GetVersionString();
}
