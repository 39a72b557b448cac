// Reads the program's machine code (objdump) and checks that each kernel was
// compiled as written: its own function at its own address, two nested loops,
// its counters (and accumulator) loaded from and stored to memory inside the
// loops, and no packed SIMD or fused operations. A compiler or linker option
// that removed, vectorised, register-allocated or merged a kernel fails here.
// It reads the code of the architecture it was built for: x86-64 (AT&T syntax)
// or arm64.
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

struct Instruction {
    quint64 address;
    QString mnemonic;
    QString operands;
};

struct Function {
    quint64 address = 0;
    QList<Instruction> code;
};

#if defined(__aarch64__)
// objdump's comments: "// #7999", "// b.tcont".
const QString commentMark = QStringLiteral("//");
#else
// objdump's comment on a RIP-relative operand: "# 1234 <name>".
const QString commentMark = QStringLiteral("#");
#endif

QString quoted(QString text)
{
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
}

// The program's disassembly, demangled, by function name. popen rather than
// QProcess: under qemu's user-mode emulator (the arm64 build's tests) Qt's
// way of starting a child, clone with CLONE_PIDFD, is refused.
QMap<QString, Function> disassemble(const QString &program, QString *error)
{
    const QString command = quoted(QStringLiteral(TARVO_OBJDUMP))
                            + QStringLiteral(" -d -C --no-show-raw-insn --section=.text ") + quoted(program);
    FILE *objdump = ::popen(command.toLocal8Bit().constData(), "r");
    if (!objdump) {
        *error = QStringLiteral("objdump could not be started");
        return {};
    }
    QByteArray output;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, objdump)) > 0;)
        output.append(buffer, qsizetype(n));
    if (::pclose(objdump) != 0) {
        *error = QStringLiteral("objdump failed: ") + command;
        return {};
    }
    static const QRegularExpression header(QStringLiteral(R"(^([0-9a-f]+) <(.+)>:$)"));
    static const QRegularExpression line(QStringLiteral(R"(^\s*([0-9a-f]+):\s+(\S+)\s*(.*)$)"));
    QMap<QString, Function> functions;
    Function *current = nullptr;
    const QStringList lines = QString::fromLocal8Bit(output).split(QLatin1Char('\n'));
    for (const QString &text : lines) {
        if (const auto h = header.match(text); h.hasMatch()) {
            current = &functions[h.captured(2)];
            current->address = h.captured(1).toULongLong(nullptr, 16);
        } else if (const auto l = line.match(text); l.hasMatch() && current) {
            current->code.append({l.captured(1).toULongLong(nullptr, 16), l.captured(2), l.captured(3)});
        }
    }
    return functions;
}

// The operands, split at the commas outside parentheses (AT&T) or brackets
// (arm64); objdump's comment is left out.
QStringList operandsOf(const Instruction &i)
{
    QString text = i.operands;
    if (const qsizetype comment = text.indexOf(commentMark); comment >= 0)
        text.truncate(comment);
    QStringList parts;
    QString part;
    int depth = 0;
    for (QChar c : text.trimmed()) {
        if (c == QLatin1Char('(') || c == QLatin1Char('['))
            ++depth;
        if (c == QLatin1Char(')') || c == QLatin1Char(']'))
            --depth;
        if (c == QLatin1Char(',') && depth == 0) {
            parts.append(part.trimmed());
            part.clear();
        } else {
            part.append(c);
        }
    }
    if (!part.trimmed().isEmpty())
        parts.append(part.trimmed());
    return parts;
}

bool isMemory(const QString &operand)
{
#if defined(__aarch64__)
    return operand.startsWith(QLatin1Char('['));
#else
    return operand.contains(QLatin1Char('(')) && !operand.startsWith(QLatin1Char('*'));
#endif
}

// One memory variable: a RIP-relative operand by the address objdump
// resolves it to, any other by its text (arm64 reaches a global through a
// base register, the same one for its load and its store).
QString variable(const Instruction &i, const QString &operand)
{
    if (operand.contains(QStringLiteral("(%rip)"))) {
        static const QRegularExpression target(QStringLiteral(R"(#\s*([0-9a-f]+))"));
        if (const auto m = target.match(i.operands); m.hasMatch())
            return QStringLiteral("rip:") + m.captured(1);
    }
    return operand;
}

struct Loop {
    quint64 begin; // jump target
    quint64 end;   // address of the backward jump
};

// A loop closes with a conditional jump backwards; an unconditional one may
// only lead back to a shared exit.
QList<Loop> loops(const Function &f)
{
#if defined(__aarch64__)
    static const QRegularExpression conditional(QStringLiteral(R"(^(b\.\w+|cbn?z|tbn?z)$)"));
#else
    static const QRegularExpression conditional(QStringLiteral(R"(^j(?!mp))"));
#endif
    static const QRegularExpression target(QStringLiteral(R"(([0-9a-f]+) <)"));
    QList<Loop> found;
    for (const Instruction &i : f.code) {
        const auto m = target.match(i.operands);
        if (!conditional.match(i.mnemonic).hasMatch() || !m.hasMatch())
            continue;
        const quint64 to = m.captured(1).toULongLong(nullptr, 16);
        if (to <= i.address && to >= f.address)
            found.append({to, i.address});
    }
    return found;
}

// The variables both loaded and stored by the instructions in [begin, end],
// leaving out those in [skipBegin, skipEnd].
QSet<QString> loadedAndStored(const Function &f, quint64 begin, quint64 end, quint64 skipBegin = 1,
                              quint64 skipEnd = 0)
{
    QSet<QString> loaded, stored;
    for (const Instruction &i : f.code) {
        if (i.address < begin || i.address > end || (i.address >= skipBegin && i.address <= skipEnd))
            continue;
        if (i.mnemonic.startsWith(QLatin1String("nop")) || i.mnemonic.startsWith(QLatin1String("lea")))
            continue;
        const QStringList ops = operandsOf(i);
        for (qsizetype n = 0; n < ops.size(); ++n) {
            if (!isMemory(ops[n]))
                continue;
            const QString v = variable(i, ops[n]);
#if defined(__aarch64__)
            // Only loads and stores reach memory.
            if (i.mnemonic.startsWith(QLatin1String("ld")))
                loaded.insert(v);
            else if (i.mnemonic.startsWith(QLatin1String("st")))
                stored.insert(v);
#else
            const bool destination = n == ops.size() - 1 && ops.size() > 1;
            const bool plainMove = i.mnemonic.startsWith(QLatin1String("mov"));
            static const QRegularExpression readOnly(QStringLiteral(R"(^(cmp|test|v?u?comis|bt))"));
            if (readOnly.match(i.mnemonic).hasMatch()) {
                loaded.insert(v);
            } else if (destination) {
                stored.insert(v);
                if (!plainMove)
                    loaded.insert(v); // read-modify-write
            } else if (!(ops.size() == 1 && plainMove)) {
                loaded.insert(v);
            }
#endif
        }
    }
    return loaded & stored;
}

} // namespace

class TestKernelCode : public QObject {
    Q_OBJECT

    QMap<QString, Function> functions;

    static QString name(int kernel)
    {
        return QStringLiteral("tarvo::kernels::Kernel%1()").arg(kernel);
    }

private slots:
    void initTestCase()
    {
        QString error;
        functions = disassemble(QStringLiteral(TARVO_PROGRAM), &error);
        QVERIFY2(!functions.isEmpty(), qPrintable(error));
    }

    void kernel_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<int>("variables");
        QTest::newRow("kernel 1, short counters") << name(1) << 1;
        QTest::newRow("kernel 2, short counters") << name(2) << 1;
        QTest::newRow("kernel 3, int counters") << name(3) << 1;
        QTest::newRow("kernel 4, same as kernel 3") << name(4) << 1;
        QTest::newRow("kernel 5, float sum") << name(5) << 2;
        QTest::newRow("kernel 6, float product") << name(6) << 2;
        QTest::newRow("kernel 7, double sum") << name(7) << 2;
        QTest::newRow("kernel 8, double product") << name(8) << 2;
        // The multi-core run's floating kernels, on each thread's accumulators.
        const QString threadKernel = QStringLiteral("tarvo::kernels::ThreadKernel%1(tarvo::ThreadAccumulators&)");
        for (int k = 5; k <= 8; ++k)
            QTest::addRow("thread kernel %d", k) << threadKernel.arg(k) << 2;
    }
    void kernel()
    {
        QFETCH(QString, function);
        QFETCH(int, variables);
        QVERIFY2(functions.contains(function), "the kernel is not a function of its own in the program");
        const Function &f = functions[function];

#ifdef TARVO_ALIGN_KERNELS
        QCOMPARE(f.address % 64, 0u);
#endif

        // Two nested loops: the shortest loop inside another one, and the
        // shortest one around it. (GCC for arm64 also closes the outer loop a
        // second time, for when the inner loop does not run at all.)
        const QList<Loop> found = loops(f);
        QVERIFY2(found.size() >= 2, "fewer than two loops");
        const auto length = [](const Loop &l) { return l.end - l.begin; };
        const auto encloses = [](const Loop &a, const Loop &b) { return a.begin < b.begin && a.end > b.end; };
        std::optional<Loop> inner, outer;
        for (const Loop &l : found)
            if ((!inner || length(l) < length(*inner))
                && std::any_of(found.begin(), found.end(), [&](const Loop &a) { return encloses(a, l); }))
                inner = l;
        QVERIFY2(inner, "the loops are not nested");
        for (const Loop &l : found)
            if (encloses(l, *inner) && (!outer || length(l) < length(*outer)))
                outer = l;

#ifdef TARVO_ALIGN_KERNELS
        QCOMPARE(inner->begin % 64, 0u);
#endif

        // Every step goes through memory: the inner counter (and the
        // accumulator) in the inner loop, the outer counter around it.
        QVERIFY2(loadedAndStored(f, inner->begin, inner->end).size() >= variables,
                 "the inner loop keeps a counter or the accumulator in a register");
        QVERIFY2(!loadedAndStored(f, outer->begin, outer->end, inner->begin, inner->end).isEmpty(),
                 "the outer loop keeps its counter in a register");

        // Scalar code only: no packed arithmetic, no wide registers, no fused
        // multiply-add.
#if defined(__aarch64__)
        // Vector registers are named with their lanes (v0.4s), or as q0; SVE's as z0.s.
        static const QRegularExpression packed(QStringLiteral(R"(fmadd|fmsub|fnmadd|fnmsub|fml[as])"));
        static const QRegularExpression wide(QStringLiteral(R"(\b([vz]\d+\.|q\d+\b))"));
#else
        static const QRegularExpression packed(QStringLiteral(
            R"(^v?(add|sub|mul|div|min|max|sqrt|hadd|hsub|cvt\w*)p[sd]$|^v?p(add|sub|mul)|fmadd|fmsub|fnmadd|fnmsub)"));
        static const QRegularExpression wide(QStringLiteral(R"(%[yz]mm)"));
#endif
        for (const Instruction &i : f.code) {
            QVERIFY2(!packed.match(i.mnemonic).hasMatch(), qPrintable(i.mnemonic + QLatin1Char(' ') + i.operands));
            QVERIFY2(!wide.match(i.operands).hasMatch(), qPrintable(i.mnemonic + QLatin1Char(' ') + i.operands));
        }
    }

    // Kernels 3 and 4 are the same code; each must still run its own.
    void kernelsNotMerged()
    {
        QSet<quint64> addresses;
        for (int k = 1; k <= 8; ++k) {
            QVERIFY2(functions.contains(name(k)), qPrintable(name(k)));
            addresses.insert(functions[name(k)].address);
        }
        QCOMPARE(addresses.size(), 8);
    }
};

QTEST_GUILESS_MAIN(TestKernelCode)
#include "tst_kernelcode.moc"
