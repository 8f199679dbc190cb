// GBK text at the toolkit's boundary: conversion to and from Qt's strings.
// Only for src/platform; the rest of the program never sees a QString.
#pragma once

#include <QString>

#include "base/text.h"
#include "platform/codepage.h"

inline QString to_q(const Text& gbk) {
    return QString::fromUtf8(gbk_to_utf8_text(gbk));
}

inline Text from_q(const QString& s) {
    QByteArray utf8 = s.toUtf8();
    return utf8_to_gbk_text(Text(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}
