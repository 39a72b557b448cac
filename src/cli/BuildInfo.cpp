#include "cli/BuildInfo.h"

#include "cli/CommandTexts.h"

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
    return UnknownArchitecture();
#endif
}

QString Compiler()
{
#if defined(__clang__)
    return QStringLiteral("clang " __clang_version__);
#elif defined(__GNUC__)
    return QStringLiteral("GCC " __VERSION__);
#else
    return UnknownCompiler();
#endif
}

QString VersionText()
{
    return VersionLines(ProgramVersion(), Architecture(), Compiler());
}

} // namespace tarvo::cli
