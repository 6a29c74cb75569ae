// The console's Intel-HEX download of any file against the simulated chip: it must end,
// release the controls and put nothing on the lines that the chip would refuse.
#include "FuzzSupport.h"
#include "ProgrammerBench.h"
#include "console/Module1.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

using Op = SimulatedChip::Op;

namespace {

int lastAddressOf(Op op)
{
    switch (op) {
    case Op::ReadProgram:
    case Op::WriteProgram:
        return ChipMemory::kProgramEnd;
    case Op::ReadData:
    case Op::WriteData:
        return ChipMemory::kDataEnd;
    default:
        return -1;
    }
}

void checkInstructions(const SimulatedChip &chip, bool dataSpace)
{
    for (const SimulatedChip::Instruction &ins : chip.instructions()) {
        Fuzz::check(ins.accepted, "chip refused an instruction:", ins.refusal.toUtf8());
        if (ins.op == Op::ProgrammingEnable)
            continue;
        Fuzz::check(ins.op == (dataSpace ? Op::WriteData : Op::WriteProgram), "instruction outside the chosen space");
        Fuzz::check(ins.address >= 0 && ins.address <= lastAddressOf(ins.op), "address outside the space",
                    QByteArray::number(ins.address, 16));
    }
    Fuzz::check(chip.pendingBits() == 0, "instruction left incomplete on the line");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::application();
    static QTemporaryDir dir;
    const QByteArray text = Fuzz::bytes(data, size);
    const QString path = dir.filePath(QStringLiteral("input.hex"));
    {
        QFile file(path);
        Fuzz::check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the input file");
        file.write(text);
    }

    Bench bench;
    bench.app.ProgMode = true;
    // Both spaces get their share of inputs without spending a byte of the file on the choice.
    bench.app.DataSpace = (qHash(text) & 1) != 0;
    bench.scale(0);
    bench.file = path;
    Module1 console(bench, bench.app);
    console.HexDownload();

    checkInstructions(*bench.target, bench.app.DataSpace);
    Fuzz::check(!bench.controlsShown, "download controls left visible");
    Fuzz::check(bench.box.shown.isEmpty(), "message box during a download");
    return 0;
}
