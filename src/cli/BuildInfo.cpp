#include "cli/BuildInfo.h"

namespace tarvo::cli {

QString ProgramVersion()
{
    return QStringLiteral(TARVO_VERSION);
}

QString Architecture()
{
#if defined(__x86_64__)
    return QStringLiteral("x86_64");
#elif defined(__aarch64__)
    return QStringLiteral("aarch64");
#else
    return QStringLiteral("inconnue");
#endif
}

QString Compiler()
{
#if defined(__clang__)
    return QStringLiteral("clang " __clang_version__);
#elif defined(__GNUC__)
    return QStringLiteral("GCC " __VERSION__);
#else
    return QStringLiteral("inconnu");
#endif
}

QString VersionText()
{
    return QStringLiteral("CPU Tarvo 32 (zurezive) %1\nArchitecture : %2\nCompilateur : %3\n")
        .arg(ProgramVersion(), Architecture(), Compiler());
}

} // namespace tarvo::cli
