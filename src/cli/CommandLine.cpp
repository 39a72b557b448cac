#include "cli/CommandLine.h"

#include "cli/BuildInfo.h"
#include "cli/CommandTexts.h"
#include "cli/Compare.h"
#include "cli/Help.h"
#include "cli/List.h"
#include "cli/Merge.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/PerCore.h"
#include "cli/ReportTexts.h"
#include "cli/RunReport.h"
#include "cli/Runs.h"
#include "cli/Save.h"
#include "cli/Threads.h"

#include "core/Conversions.h"
#include "core/Ranking.h"
#include "core/StoredResult.h"
#include "core/ErrorTexts.h"
#include "core/FileAppend.h"
#include "core/Errors.h"

#include <algorithm>
#include <new>
#include <unistd.h>

namespace tarvo::cli {

namespace {

DrawPictures drawPictures = nullptr;

bool wantsPictures(const Options &options)
{
    return options.chart || options.report;
}

// A file's type is its name's ending: a wrong one is refused before any test runs.
std::optional<QString> badPictureName(const Options &options)
{
    const auto refused = [](const std::optional<QString> &name, const char *option, QStringList endings) {
        for (const QString &ending : endings)
            if (name->size() > ending.size() && name->endsWith(ending, Qt::CaseInsensitive))
                return std::optional<QString>();
        return std::optional(BadPictureName(QLatin1String(option), *name, endings.join(QStringLiteral(", "))));
    };
    if (options.chart)
        if (auto refusal = refused(options.chart, "--chart", {".png", ".svg", ".pdf"}))
            return refusal;
    if (options.report)
        return refused(options.report, "--report", {".html", ".htm"});
    return std::nullopt;
}

void draw(const PictureRequest &request)
{
    if (wantsPictures(request.options) && drawPictures)
        drawPictures(request);
}

// The results file a result was saved to, for a failure said after the save.
std::optional<std::string> savedTo;

int runMode(const Options &options, Output &out)
{
    // A description that "OK" would refuse is refused before the test.
    std::optional<ResultRecord> description;
    if (options.save) {
        auto checked = DescriptionToSave(options);
        if (const QString *refusal = std::get_if<QString>(&checked)) {
            Say(*refusal);
            return ExitRefused;
        }
        description = std::get<ResultRecord>(checked);
    }

    if (options.cpu)
        if (const auto refusal = PinToCpu(*options.cpu)) {
            Say(*refusal);
            return ExitUsage;
        }

    const bool text = options.format == Format::Text;
    const Clock clock = ProcessClock(); // the clock "Tester" runs on
    Session session;
    session.before = ReadConditions();
    if (text)
        WriteConditionsText(session.before, out);
    const bool repeated = options.repeat > 1 || options.repeatAuto;
    RunPlanned(session, {options.warmup, options.repeat, options.repeatAuto}, clock, "/", [&] {
        if (text && repeated)
            WriteRunLineText(session, out);
    });
    session.after = ReadConditions();

    // A run that computed wrong is shown, never saved nor ranked.
    const bool valid = AllValid(session);
    RunOutcome outcome;
    if (valid && (options.save || options.rank || wantsPictures(options)))
        outcome.chosenRun = MedianRun(session.runs);
    const Scores &chosen = session.runs[outcome.chosenRun.value_or(0)].test.scores;
    const std::string resultsPath = DataFilePath(ResultsFileName);
    // The runs are shown whatever happens to the files; a failure is said after them.
    std::optional<QString> failure;
    try {
        // Ranked among the results stored before this one.
        if (valid && options.rank)
            outcome.ranking = RankIndex(StoredIndex(chosen.indice), resultsPath);
        // Drawn among the results stored before this one, as it is ranked; a
        // run that computed wrong is shown in the report, not marked.
        draw({options, valid ? std::optional(StoredIndex(chosen.indice)) : std::nullopt, &session, &outcome});
        if (valid && description) {
            outcome.saved = SaveResult(*description, chosen);
            savedTo = outcome.saved->resultsPath;
            failure = outcome.saved->historyFailure();
        }
    } catch (const Exception &e) {
        failure = QString::fromUtf8(e.what());
    }

    if (text)
        WriteConclusionText(session, outcome, out);
    else
        WriteSessionJson(session, clock.perSecond, outcome, out);
    if (failure) {
        out.flush();
        Say(Prefixed(*failure));
        return ExitFailure;
    }
    if (!valid) {
        out.flush();
        const auto wrong = std::find_if(session.runs.begin(), session.runs.end(),
                                        [](const RunRecord &run) { return !run.test.valid(); });
        Say(Prefixed(WrongComputation(wrong->test)));
        return ExitFailure;
    }
    return 0;
}

int mergeMode(const Options &options, Output &out)
{
    const std::string resultsPath = DataFilePath(ResultsFileName);
    const MergeOutcome outcome = MergeInto(resultsPath, options.files);
    out << MergeSummary(QString::fromLocal8Bit(resultsPath), outcome.added, outcome.present, outcome.refused);
    QStringList refusedFiles;
    for (const Refused &refused : outcome.refusals) {
        const QString file = QString::fromLocal8Bit(refused.file);
        if (refused.wholeFile) {
            refusedFiles << RefusedFile(file, *refused.wholeFile);
            continue;
        }
        for (const LineRange &range : refused.lines)
            out << RefusedLines(file, range.first, range.last, outcome.reasons[std::size_t(range.reason)]);
    }
    // A file that is not results as the program writes them, or nothing but
    // refused lines, is a refusal: it needs the user's hand.
    if (refusedFiles.isEmpty() && (outcome.refused == 0 || outcome.added + outcome.present > 0))
        return 0;
    out.flush();
    for (const QString &file : refusedFiles)
        Say(Prefixed(file));
    if (refusedFiles.isEmpty())
        Say(Prefixed(EveryLineRefused()));
    return ExitRefused;
}

int rankMode(const Options &options, Output &out)
{
    // Without --rank, the index only marks this machine in the picture.
    if (options.rank) {
        const Ranking ranking = RankIndex(*options.index, DataFilePath(ResultsFileName));
        out << IndexRankLine(ResultFigure(float(*options.index)), RankText(ranking));
    }
    draw({options, *options.index});
    return 0;
}

// The figures of many cores go into the report as well, drawn beside the
// stored results, which are one core's each and so are not marked.
int manyCoresMode(const Options &options, Output &out)
{
    const bool json = options.format == Format::Json;
    std::string cores;
    std::string *copy = wantsPictures(options) ? &cores : nullptr;
    const int status = options.mode == Mode::Threads
        ? RunThreadsMode({options.threads, options.pin, options.repeat, json, copy}, out)
        : RunPerCoreMode({options.repeat, json, copy}, out);
    PictureRequest request{options, std::nullopt};
    request.coresJson = &cores;
    draw(request);
    return status;
}

int perform(const Options &options, Output &out)
{
    if (const auto refusal = badPictureName(options)) {
        Say(*refusal);
        return ExitUsage;
    }
    switch (options.mode) {
    case Mode::Help:
        out << HelpText();
        return 0;
    case Mode::Version:
        out << VersionText();
        return 0;
    case Mode::Run:
        return runMode(options, out);
    case Mode::List:
        ListResults(DataFilePath(ResultsFileName), options.format, out);
        return 0;
    case Mode::Rank:
        return rankMode(options, out);
    case Mode::Merge:
        return mergeMode(options, out);
    case Mode::Compare:
        return CompareMode(options.files, options.format == Format::Json, out);
    case Mode::Threads:
    case Mode::PerCore:
        return manyCoresMode(options, out);
    case Mode::Picture:
        draw({options, std::nullopt});
        return 0;
    }
    return ExitUsage;
}

} // namespace

bool WantsCommandLine(int argc, char *argv[])
{
    return !OnlyToolkitOptions(argc, argv);
}

int RunCommandLine(int argc, char *argv[], DrawPictures drawing)
{
    drawPictures = drawing;
    const auto parsed = ParseOptions(argc, argv);
    if (const UsageError *error = std::get_if<UsageError>(&parsed)) {
        Say(error->message);
        return ExitUsage;
    }
    // A finished test or a merge waits for a busy lock as long as it takes, saying so.
    WaitingForLock = [](const std::string &path) { Say(Prefixed(WaitingForLockText(path))); };
    Output out(STDOUT_FILENO);
    int status = 0;
    try {
        status = perform(std::get<Options>(parsed), out);
    } catch (const std::bad_alloc &) {
        out.flush();
        Say(Prefixed(OutOfMemoryNothingWritten()));
        return ExitFailure;
    } catch (const Exception &e) {
        out.flush();
        Say(Prefixed(QString::fromUtf8(e.what())));
        return ExitFailure;
    }
    if (!out.flush()) {
        Say(Prefixed(CannotWriteOutput(out.error())));
        if (savedTo)
            Say(Prefixed(SavedDespiteOutput(*savedTo)));
        return ExitFailure;
    }
    return status;
}

} // namespace tarvo::cli
