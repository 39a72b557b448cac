// The French words of every failure the program reports: the system's reasons
// (an errno value, in the French C library's words whatever the desktop's
// language), files that cannot be opened, read or written, texts the data files
// cannot hold, numbers that are not numbers, and a start that cannot happen.
// The code that meets a failure throws one of Errors.h's classes or prints a
// line with these texts; keeping the words together keeps them alike. A path is
// shown as the locale decodes its bytes.
#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace tarvo {

struct TestRun;

// Failures that have no errno value of their own; never values of errno.
inline constexpr int NotARegularFile = -1; // a pipe, a device or a socket
inline constexpr int FileLocked = -2;      // another program keeps the file's lock
inline constexpr int PlantedLink = -3;     // a link another user left in a shared folder

// The reason for `error` (an errno value or one of the above), without a final
// full stop.
QString SystemReason(int error);

// Data files. `budget` is in bytes.
QString CannotOpen(const std::string &path, int error);
QString CannotRead(const std::string &path, int error);
// An append that waits for another program's lock.
QString WaitingForLockText(const std::string &path);
QString TooLargeToMerge(std::uint64_t size, std::uint64_t budget);
QString TooLargeToShow(const std::string &path, std::uint64_t budget);
QString NoMemoryToShow(const std::string &path);
QString TooManyLinesToShow(const std::string &path);

// An append that failed with `error`. When `kept` bytes of it stayed in the
// file (all of it when `whole`), the message says so, and why they could not be
// taken back: another writer came after them, or `cutError`.
QString CannotWrite(const std::string &path, int error, std::int64_t kept = 0, bool whole = false,
                    bool otherWriter = false, int cutError = 0);
// A result written whose history entry could not be.
QString HistoryNotWritten(const QString &why);
// A result written whose report could not be: it must not be saved again.
QString SavedDespiteOutput(const std::string &path);

// Texts the data files cannot hold, and numbers.
QString TooLong(qsizetype length, qsizetype longest);
QString LineBreakIn(const QString &text);
QString ControlCharacterIn(const QString &text, QChar control);
QString NotInCodePage(const QString &text, const QString &character);
QString NotAWholeNumber(const QString &text);

// A description "OK" refuses, without a final full stop: `what` is "le
// processeur" or "la carte mère", `marker` what the input box offers.
QString NotDescribed(const QString &what, const QString &marker);
QString FrequencyBelowOne(const QString &what); // "la fréquence d'origine"
// A results line that no entry could have written.
QString NegativeResult();
QString NotAResultsLine();
QString NoLineEnd();
QString NotCrLf();
QString CarriageReturnInside();
// A file whose lines cannot be results lines as the program writes them.
QString FileInUtf8();
QString FileWithLfEnds();
QString TooFastToTime(int kernel);
// The kernels whose accumulator ended on a value other than the one they must
// compute, a line each, and what follows for the whole run.
QString WrongComputation(const TestRun &run);

// The program as a whole.
QString OutOfMemory();
QString OutOfMemoryNothingWritten();
QString Unexpected();
QString CannotStart(const QString &why);
QString NoDisplay();
QString TooFewDescriptors(int needed, int error);
QString TooFewThreads(int needed, int error);
QString CannotWriteOutput(int error);
QString DataFolderUnusable(const std::string &folder, int error);
QString CannotLaunch(const std::string &program, int error);

} // namespace tarvo
