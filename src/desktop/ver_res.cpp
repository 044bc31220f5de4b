#include "desktop/ver_res.h"

#ifndef XKORVO_VERSION_STRING
#define XKORVO_VERSION_STRING ""
#endif

bool CVerRes::Load() {
    m_bLoaded = sizeof(XKORVO_VERSION_STRING) > 1;
    return m_bLoaded;
}

QString CVerRes::GetVersionString() const {
    return m_bLoaded ? QStringLiteral(XKORVO_VERSION_STRING) : QString();
}

QString CVerRes::GetFileDescription() const {
    return m_bLoaded ? QStringLiteral("xKorvo colour reducer") : QString();
}

QString CVerRes::GetLegalCopyright() const {
    return m_bLoaded ? QStringLiteral("Copyright (C) 2026") : QString();
}

QString CVerRes::GetCompanyName() const {
    return m_bLoaded ? QStringLiteral("The xKorvo developers") : QString();
}
