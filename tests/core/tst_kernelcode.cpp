// Reads the program's machine code (objdump) and checks that each kernel was
// compiled as written: its own function at its own address, two nested loops,
// its counters (and accumulator) loaded from and stored to memory inside the
// loops, and no packed SIMD or fused operations. A compiler or linker option
// that removed, vectorised, register-allocated or merged a kernel fails here.
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>
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

// The program's disassembly, demangled, by function name.
QMap<QString, Function> disassemble(const QString &program, QString *error)
{
    QProcess objdump;
    objdump.start(QStringLiteral(TARVO_OBJDUMP),
                  {QStringLiteral("-d"), QStringLiteral("-C"), QStringLiteral("--no-show-raw-insn"),
                   QStringLiteral("--section=.text"), program});
    if (!objdump.waitForFinished(120000) || objdump.exitCode() != 0) {
        *error = QStringLiteral("objdump failed: ") + QString::fromLocal8Bit(objdump.readAllStandardError());
        return {};
    }
    static const QRegularExpression header(QStringLiteral(R"(^([0-9a-f]+) <(.+)>:$)"));
    static const QRegularExpression line(QStringLiteral(R"(^\s*([0-9a-f]+):\s+(\S+)\s*(.*)$)"));
    QMap<QString, Function> functions;
    Function *current = nullptr;
    const QStringList lines = QString::fromLocal8Bit(objdump.readAllStandardOutput()).split(QLatin1Char('\n'));
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

// AT&T operands, split at the commas outside parentheses; a comment that
// objdump adds ("# 1234 <name>") is left out.
QStringList operandsOf(const Instruction &i)
{
    QString text = i.operands;
    if (const qsizetype hash = text.indexOf(QLatin1Char('#')); hash >= 0)
        text.truncate(hash);
    QStringList parts;
    QString part;
    int depth = 0;
    for (QChar c : text.trimmed()) {
        if (c == QLatin1Char('('))
            ++depth;
        if (c == QLatin1Char(')'))
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
    return operand.contains(QLatin1Char('(')) && !operand.startsWith(QLatin1Char('*'));
}

// One memory variable: a RIP-relative operand by the address objdump
// resolves it to, any other by its text.
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

QList<Loop> loops(const Function &f)
{
    QList<Loop> found;
    for (const Instruction &i : f.code) {
        if (!i.mnemonic.startsWith(QLatin1Char('j')))
            continue;
        bool ok = false;
        const quint64 target = i.operands.section(QLatin1Char(' '), 0, 0).toULongLong(&ok, 16);
        if (ok && target <= i.address && target >= f.address)
            found.append({target, i.address});
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
        QTest::addColumn<int>("kernel");
        QTest::addColumn<int>("variables");
        QTest::newRow("kernel 1, short counters") << 1 << 1;
        QTest::newRow("kernel 2, short counters") << 2 << 1;
        QTest::newRow("kernel 3, int counters") << 3 << 1;
        QTest::newRow("kernel 4, same as kernel 3") << 4 << 1;
        QTest::newRow("kernel 5, float sum") << 5 << 2;
        QTest::newRow("kernel 6, float product") << 6 << 2;
        QTest::newRow("kernel 7, double sum") << 7 << 2;
        QTest::newRow("kernel 8, double product") << 8 << 2;
    }
    void kernel()
    {
        QFETCH(int, kernel);
        QFETCH(int, variables);
        QVERIFY2(functions.contains(name(kernel)), "the kernel is not a function of its own in the program");
        const Function &f = functions[name(kernel)];

#ifdef TARVO_ALIGN_KERNELS
        QCOMPARE(f.address % 64, 0u);
#endif

        // Two nested loops: the innermost backward jump, and one around it.
        const QList<Loop> found = loops(f);
        QVERIFY2(found.size() >= 2, "fewer than two loops");
        const Loop inner = *std::min_element(found.begin(), found.end(), [](const Loop &a, const Loop &b) {
            return a.end - a.begin < b.end - b.begin;
        });
        std::optional<Loop> outer;
        for (const Loop &l : found)
            if (l.begin < inner.begin && l.end > inner.end)
                outer = l;
        QVERIFY2(outer, "the loops are not nested");

#ifdef TARVO_ALIGN_KERNELS
        QCOMPARE(inner.begin % 64, 0u);
#endif

        // Every step goes through memory: the inner counter (and the
        // accumulator) in the inner loop, the outer counter around it.
        QVERIFY2(loadedAndStored(f, inner.begin, inner.end).size() >= variables,
                 "the inner loop keeps a counter or the accumulator in a register");
        QVERIFY2(!loadedAndStored(f, outer->begin, outer->end, inner.begin, inner.end).isEmpty(),
                 "the outer loop keeps its counter in a register");

        // Scalar code only: no packed arithmetic, no wide registers, no fused
        // multiply-add.
        static const QRegularExpression packed(QStringLiteral(
            R"(^v?(add|sub|mul|div|min|max|sqrt|hadd|hsub|cvt\w*)p[sd]$|^v?p(add|sub|mul)|fmadd|fmsub|fnmadd|fnmsub)"));
        for (const Instruction &i : f.code) {
            QVERIFY2(!packed.match(i.mnemonic).hasMatch(), qPrintable(i.mnemonic + QLatin1Char(' ') + i.operands));
            QVERIFY2(!i.operands.contains(QLatin1String("%ymm")) && !i.operands.contains(QLatin1String("%zmm")),
                     qPrintable(i.mnemonic + QLatin1Char(' ') + i.operands));
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
