#include "cli/Help.h"

#include "cli/Options.h"

#include <QStringList>

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

namespace {

// "  --synopsis   text", the text's lines starting at the entry's column.
void addEntry(QString &page, const OptionHelp &entry)
{
    const QStringList lines = QString::fromUtf8(entry.text).split(u'\n');
    QString first = QStringLiteral("  ") + QString::fromUtf8(entry.synopsis);
    page += first.leftJustified(entry.column - 1) + u' ' + lines.front() + u'\n';
    for (qsizetype i = 1; i < lines.size(); ++i)
        page += QString(entry.column, u' ') + lines[i] + u'\n';
}

} // namespace

QString HelpText()
{
    QString page = HelpIntroduction();
    for (const HelpSection section :
         {HelpSection::Test, HelpSection::Cores, HelpSection::View, HelpSection::Gather, HelpSection::General}) {
        page += u'\n';
        if (const QString heading = HelpHeading(section); !heading.isEmpty())
            page += heading + u'\n';
        for (const OptionRow &row : OptionTable())
            for (const OptionHelp &entry : row.help)
                if (entry.section == section)
                    addEntry(page, entry);
    }
    return page + u'\n' + HelpExitStatuses();
}

QString VersionText()
{
    return QStringLiteral("CPU Tarvo 32 (zurezive) %1\nArchitecture : %2\nCompilateur : %3\n")
        .arg(ProgramVersion(), Architecture(), Compiler());
}

} // namespace tarvo::cli
