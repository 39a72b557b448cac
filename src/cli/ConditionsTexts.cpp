#include "cli/ConditionsTexts.h"

#include "core/Conversions.h"

namespace tarvo::cli {

namespace {

QString powerWords(const std::optional<Power> &power)
{
    if (!power)
        return Unknown();
    return *power == Power::Battery ? QStringLiteral("batterie") : QStringLiteral("secteur");
}

QString yesNo(const std::optional<bool> &flag, const char *yes, const char *no)
{
    return flag ? QString::fromUtf8(*flag ? yes : no) : Unknown();
}

QString machineWords(const std::optional<VirtualMachine> &machine)
{
    if (!machine)
        return Unknown();
    if (!machine->present)
        return No();
    return machine->name.isEmpty() ? Yes() : QStringLiteral("oui (%1)").arg(machine->name);
}

QString coreTypeWords(CoreType type)
{
    switch (type) {
    case CoreType::Performance:
        return QStringLiteral("cœur de performance");
    case CoreType::Efficiency:
        return QStringLiteral("cœur d'efficacité");
    case CoreType::Unknown:
        break;
    }
    return QStringLiteral("type de cœur inconnu");
}

QString kilohertz(const std::optional<std::int64_t> &khz)
{
    return khz ? Gigahertz(double(*khz) * 1e3) : Unknown();
}

} // namespace

QString Unknown()
{
    return QStringLiteral("inconnu");
}

QString Yes()
{
    return QStringLiteral("oui");
}

QString No()
{
    return QStringLiteral("non");
}

QString Gigahertz(double hz, bool feminine)
{
    if (hz > 0.0)
        return Figure(hz / 1e9) + QStringLiteral(" GHz");
    return feminine ? QStringLiteral("inconnue") : Unknown();
}

QString CpuWords(const RunConditions &run)
{
    if (run.cpuAfter < 0)
        return Unknown();
    if (run.cpuBefore >= 0 && run.cpuBefore != run.cpuAfter)
        return QStringLiteral("n° %1 puis %2").arg(run.cpuBefore).arg(run.cpuAfter);
    return QStringLiteral("n° %1").arg(run.cpuAfter);
}

QString ConditionsLines(const Conditions &c)
{
    QString load = Unknown();
    if (c.load)
        load = QStringLiteral("%1 (1 min), %2 (5 min), %3 (15 min)")
                   .arg(Figure((*c.load)[0]), Figure((*c.load)[1]), Figure((*c.load)[2]));
    return QStringLiteral("Conditions avant le test :\n") +
           QStringLiteral("  processeur : %1\n").arg(c.processor.value_or(Unknown())) +
           QStringLiteral("  processeurs en service : %1\n").arg(c.cpus ? QString::number(*c.cpus) : Unknown()) +
           QStringLiteral("  gouverneur de fréquence : %1\n").arg(c.governor.value_or(Unknown())) +
           QStringLiteral("  alimentation : %1\n").arg(powerWords(c.power)) +
           QStringLiteral("  charge moyenne : %1\n").arg(load) +
           QStringLiteral("  limitations thermiques (compteurs) : %1\n")
               .arg(c.throttleCount ? QString::number(*c.throttleCount) : Unknown()) +
           QStringLiteral("  machine virtuelle : %1\n").arg(machineWords(c.virtualMachine)) +
           QStringLiteral("  SMT (deux fils par cœur) : %1\n").arg(yesNo(c.smt, "actif", "inactif")) +
           QStringLiteral("  turbo : %1\n").arg(yesNo(c.turbo, "permis", "interdit")) +
           QStringLiteral("Test en cours : huit calculs, cinq répétitions chacun.\n");
}

QString RunConditionsLines(const RunConditions &run)
{
    return QStringLiteral("  fréquence mesurée du processeur : %1 avant, %2 après\n")
               .arg(Gigahertz(run.clockBeforeHz), Gigahertz(run.clockAfterHz)) +
           QStringLiteral("  processeur du test : %1 (%2), fréquence maximale %3, actuelle %4\n")
               .arg(CpuWords(run), coreTypeWords(run.coreType), kilohertz(run.maxFrequencyKHz),
                    kilohertz(run.currentFrequencyKHz)) +
           QStringLiteral("  autre fil du même cœur : %1\n")
               .arg(run.siblingBusyPercent ? QStringLiteral("occupé à %1 %").arg(Figure(*run.siblingBusyPercent))
                                           : QStringLiteral("aucun ou inconnu"));
}

QString PowersaveWarning()
{
    return QStringLiteral("Attention : le gouverneur de fréquence est « powersave » : le processeur "
                          "peut rester à une fréquence basse et les résultats être bas.");
}

QString BatteryWarning()
{
    return QStringLiteral("Attention : la machine fonctionne sur batterie : le processeur peut y "
                          "être ralenti.");
}

QString LoadWarning(double load)
{
    return QStringLiteral("Attention : la charge moyenne est de %1, au-dessus de 1 : d'autres "
                          "programmes occupaient le processeur.")
        .arg(Figure(load));
}

QString ThrottleWarning(std::uint64_t events)
{
    return QStringLiteral("Attention : le processeur a été bridé par la température pendant le test "
                          "(%1 fois).")
        .arg(events);
}

QString ClockWarning(double movedPercent)
{
    return QStringLiteral("Attention : la fréquence mesurée du processeur a varié de %1 % pendant "
                          "le test.")
        .arg(Figure(movedPercent));
}

QString VirtualMachineWarning(const QString &name)
{
    return QStringLiteral("Attention : le test tourne dans une machine virtuelle%1 : l'hôte partage "
                          "le processeur et son horloge, les résultats varient d'un essai à l'autre.")
        .arg(name.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(name));
}

QString BusyRun(std::size_t run, double percent)
{
    return QStringLiteral("%1 à %2 %").arg(run).arg(Figure(percent));
}

QString BusySiblingWarning(const QStringList &busyRuns)
{
    return QStringLiteral("Attention : l'autre fil du cœur du test était occupé (essai %1) : les deux "
                          "se partagent le cœur et le résultat en est plus bas.")
        .arg(busyRuns.join(QStringLiteral(", ")));
}

QString EfficiencyCoreWarning(const QStringList &runs)
{
    return QStringLiteral("Attention : le test a tourné sur un cœur d'efficacité (essai %1) : ces "
                          "cœurs sont plus lents que les cœurs de performance.")
        .arg(runs.join(QStringLiteral(", ")));
}

QString GovernorChange(const std::optional<QString> &before, const std::optional<QString> &after)
{
    return QStringLiteral("le gouverneur de fréquence (%1, puis %2)")
        .arg(before.value_or(Unknown()), after.value_or(Unknown()));
}

QString PowerChange()
{
    return QStringLiteral("l'alimentation");
}

QString ThrottleChange(std::uint64_t events)
{
    return QStringLiteral("la limitation thermique (%1 fois)").arg(events);
}

QString ClockChange(double movedPercent)
{
    return QStringLiteral("la fréquence mesurée (écart de %1 %)").arg(Figure(movedPercent));
}

QString CpuChange(std::size_t cpus)
{
    return QStringLiteral("le processeur du test (%1 processeurs différents)").arg(cpus);
}

} // namespace tarvo::cli
