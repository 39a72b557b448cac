// The French words for the machine's state around a test: the conditions
// before it, what one run saw, the warnings for results that may not be
// reliable and the changes offered as reasons for results that spread.
// Conditions.cpp decides when each applies; this unit only words them.
#pragma once

#include "cli/Conditions.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace tarvo::cli {

QString Unknown(); // "inconnu"
QString Yes();
QString No();

// "3,20 GHz", or "inconnu" (or "inconnue", of a frequency) when not measured.
QString Gigahertz(double hz, bool feminine = false);

// The CPU a run was on: "n° 1", "n° 0 puis 1" when it moved.
QString CpuWords(const RunConditions &run);

// The block the text modes start with, from its heading to the line saying
// the test runs; one line each, "inconnu" where unread.
QString ConditionsLines(const Conditions &before);
// What one run saw: its clock, its CPU and that CPU's other thread.
QString RunConditionsLines(const RunConditions &run);

QString PowersaveWarning();
QString BatteryWarning();
QString LoadWarning(double load);
QString ThrottleWarning(std::uint64_t events);
QString ClockWarning(double movedPercent);
QString VirtualMachineWarning(const QString &name); // name: empty when unknown
QString BusyRun(std::size_t run, double percent);    // "2 à 35,00 %"
QString BusySiblingWarning(const QStringList &busyRuns);
QString EfficiencyCoreWarning(const QStringList &runs);

QString GovernorChange(const std::optional<QString> &before, const std::optional<QString> &after);
QString PowerChange();
QString ThrottleChange(std::uint64_t events);
QString ClockChange(double movedPercent);
QString CpuChange(std::size_t cpus);

} // namespace tarvo::cli
