#include "cli/Help.h"

#include "cli/Options.h"

#include <QStringList>

namespace tarvo::cli {

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

} // namespace tarvo::cli
