// The command-line programmer's whole-file reader: any text gives either every byte within
// the chip or faults and no bytes at all, and what it accepts survives a write and re-read.
#include "FuzzSupport.h"
#include "programmer/ChipMemory.h"
#include "programmer/HexImage.h"
#include "programmer/HexWriter.h"

namespace {

// Contiguous runs of the image, each written as its own file and read back.
void checkRoundTrip(const std::map<quint32, quint8> &bytes, quint32 last)
{
    auto it = bytes.begin();
    while (it != bytes.end()) {
        const quint32 first = it->first;
        QByteArray run;
        for (quint32 next = first; it != bytes.end() && it->first == next; ++it, ++next)
            run.append(char(it->second));
        const HexImage again = HexImage::parse(HexWriter::toIntelHex(first, run), last);
        Fuzz::check(again.ok(), "written image does not read back");
        Fuzz::check(again.bytes().size() == std::size_t(run.size()), "written image reads back a different size");
        quint32 expected = first;
        for (const auto &[at, value] : again.bytes()) {
            Fuzz::check(at == expected && value == quint8(run[at - first]), "written image reads back different bytes");
            ++expected;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = Fuzz::bytes(data, size);
    const quint32 last = ChipMemory::kProgramEnd;
    const HexImage image = HexImage::parse(text, last);

    Fuzz::check(image.ok() == (image.faultCount() == 0), "ok disagrees with the fault count");
    Fuzz::check(image.faults().size() == std::min(image.faultCount(), HexImage::kKeptFaults), "faults not kept");
    const qsizetype lines = text.count('\n') + 1;
    for (const HexImage::Fault &fault : image.faults())
        Fuzz::check(fault.line >= 1 && fault.line <= lines && !fault.reason.isEmpty(), "fault without its line");
    if (!image.ok()) {
        Fuzz::check(image.bytes().empty(), "a faulty file gave bytes");
        return 0;
    }
    for (const auto &entry : image.bytes())
        Fuzz::check(entry.first <= last, "byte beyond the last address", QByteArray::number(entry.first, 16));
    checkRoundTrip(image.bytes(), last);
    return 0;
}
