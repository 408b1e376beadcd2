#include "sampledlg.h"

#include "le.h"
#include "sampletext.h"

namespace {

// Script bytes go through the dialog table too; a byte that reads as a
// printable character could turn into another character's code on the way
// back, so scripts keep clear of them.
bool readsAsText(const std::vector<uint8_t>& script)
{
    for (uint8_t b : script)
        if (b >= 0x20 && b <= 0x7E)
            return true;
    return false;
}

struct Record {
    std::vector<uint8_t> data;
    uint16_t flags = 0;
};

std::optional<std::vector<uint8_t>> layOut(uint32_t count, const std::vector<Record>& records)
{
    std::vector<uint8_t> out;
    leAppend32(out, count);
    size_t offset = 4 * records.size();  // from byte 4, where the table starts
    for (const Record& r : records) {
        if (offset > 0xFFFF)
            return std::nullopt;
        leAppend16(out, static_cast<uint16_t>(offset));
        leAppend16(out, r.flags);
        offset += r.data.size();
    }
    for (const Record& r : records)
        out.insert(out.end(), r.data.begin(), r.data.end());
    return out;
}

}  // namespace

std::optional<std::vector<uint8_t>> sampleDlgNormal(const std::vector<SampleDialog>& dialogs)
{
    std::vector<Record> records;
    for (const SampleDialog& d : dialogs) {
        auto text = sampleEncode(d.text);
        if (!text)
            return std::nullopt;
        const SampleMeasure m = sampleMeasure(*text);
        Record script;
        script.data = d.scriptHead;
        if (m.needsOpcode()) {
            script.data.push_back(sampleCodePrefix);
            script.data.push_back(sampleCodeLineData);
            script.data.insert(script.data.end(), m.lineData.begin(), m.lineData.end());
        }
        script.data.insert(script.data.end(), d.scriptTail.begin(), d.scriptTail.end());
        if (readsAsText(script.data))
            return std::nullopt;
        script.flags = m.sizeWord();
        Record txt;
        txt.data = std::move(*text);
        txt.flags = static_cast<uint16_t>(d.textFlagsHigh << 8 | (m.maxLines & 0xFF));
        records.push_back(std::move(script));
        records.push_back(std::move(txt));
    }
    return layOut(static_cast<uint32_t>(dialogs.size()), records);
}

std::optional<std::vector<uint8_t>> sampleDlgBattle(const std::vector<std::string>& texts)
{
    std::vector<Record> records;
    for (const std::string& t : texts) {
        auto text = sampleEncode(t);
        if (!text)
            return std::nullopt;
        Record r;
        r.flags = sampleMeasure(*text).sizeWord();
        r.data = std::move(*text);
        records.push_back(std::move(r));
    }
    return layOut(static_cast<uint32_t>(texts.size()), records);
}
