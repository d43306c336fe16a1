#include "AboutTexts.h"

#include <QtGlobal>

namespace brisvander {

// Tool versions come from the build that made this program, so the
// credits name what really built and packaged it.
#ifndef BRISVANDER_CMAKE_VERSION
#define BRISVANDER_CMAKE_VERSION "3"
#endif
#ifndef BRISVANDER_COMPILER_VERSION
#define BRISVANDER_COMPILER_VERSION ""
#endif

namespace {

QString NameLine()
{
    return QString::fromUtf8(AboutText::NameAndVersion) + QLatin1Char(' ') + QString::fromUtf8(AboutText::Copyright);
}

QString WithVersion(const char* tool, const char* version)
{
    const QString name = QString::fromLatin1(tool);
    return *version ? name + QLatin1Char(' ') + QString::fromLatin1(version) : name;
}

} // namespace

QStringList AboutCreditEntries()
{
    return {
        NameLine(),
        QStringLiteral(" "),
        QStringLiteral("Setup:"),
        WithVersion("CPack", BRISVANDER_CMAKE_VERSION) + QStringLiteral(" (DEB-Generator) mit ")
            + WithVersion("CMake", BRISVANDER_CMAKE_VERSION),
        QStringLiteral("CMake und CPack © Kitware, Inc., https://cmake.org"),
        QStringLiteral("dpkg (dpkg-shlibdeps) vom Debian-Projekt, https://www.debian.org"),
        QStringLiteral(" "),
        QStringLiteral("PAD:"),
        QStringLiteral("Quillmade, Hersteller von Brisvander, gebaut mit ")
            + WithVersion("GCC", BRISVANDER_COMPILER_VERSION) + QStringLiteral(" und Qt ")
            + QString::fromLatin1(QT_VERSION_STR),
        QStringLiteral("Ausgabe vom 07.12.2026, Version 1.2.0.0"),
        QStringLiteral(" "),
        NameLine(),
    };
}

} // namespace brisvander
