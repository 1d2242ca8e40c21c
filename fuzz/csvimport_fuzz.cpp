// Any bytes as an import file: the encoding is told, the text decoded and split into lines,
// fed whole and in pieces of varying sizes. Built with ZELVANOR_FUZZ_IMPORT_FILE, the bytes are
// then imported for real into an empty register, which costs the import's large buffers each
// time and so runs as a target of its own.

#include "csv/csvimport.h"
#include "csv/csvsplitter.h"
#include "csv/textdecoding.h"
#include "fuzzcheck.h"
#include "store/datastore.h"
#include "store/record.h"

#include <QByteArray>
#include <QFile>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Outcome {
    TextEncoding encoding = TextEncoding::Windows1250;
    std::string decoded;
    std::string records; // kRecordSize bytes each
    int lines = 0;
};

// Piece sizes taken from the input itself, so that each input also tries its own cuts.
std::vector<qsizetype> pieces(QByteArrayView data, bool whole) {
    std::vector<qsizetype> sizes;
    if (whole) {
        sizes.push_back(data.size());
        return sizes;
    }
    qsizetype left = data.size();
    for (qsizetype i = 0; left > 0; ++i) {
        const auto b = static_cast<std::uint8_t>(data[i % data.size()]);
        const qsizetype n = std::min<qsizetype>(left, 1 + b % 7);
        sizes.push_back(n);
        left -= n;
    }
    return sizes;
}

void checkRecord(const char* r) {
    for (const FieldLayout& l : kLayout) {
        const char* field = r + l.offset;
        const BlankTrimmed t = trimBlanks(field, l.width);
        // Left-aligned, blank-padded: nothing in front of the text, only blanks behind it.
        require(t.begin == 0, "a field starts with its text");
        for (int i = t.end; i < l.width; ++i)
            require(field[i] == ' ', "a field is padded with blanks");
        for (int i = 0; i < t.end; ++i)
            require(field[i] != ';' && field[i] != '"' && field[i] != '\r' && field[i] != '\n',
                    "no separator, quotation mark or line break in a field");
    }
}

Outcome run(QByteArrayView data, bool whole) {
    Outcome out;
    const std::vector<qsizetype> sizes = pieces(data, whole);

    EncodingSniffer sniffer;
    qsizetype at = 0;
    for (qsizetype n : sizes) {
        if (sniffer.decided())
            break;
        sniffer.feed(data.sliced(at, n));
        at += n;
    }
    out.encoding = sniffer.encoding();

    Windows1250Decoder decoder(out.encoding);
    CsvSplitter splitter;
    auto onLine = [&out](const CsvSplitter& line) {
        require(line.fieldCount() >= 1 && line.fieldCount() <= CsvSplitter::kSlots,
                "field count 1 to 12");
        for (int k = 1; k < CsvSplitter::kSlots; ++k)
            require(line.slot(k).size() <= 50, "a slot keeps no more than its width");
        const Record r = line.record();
        checkRecord(r.data());
        out.records.append(r.data(), kRecordSize);
        ++out.lines;
    };
    auto put = [&](char c) {
        out.decoded.push_back(c);
        splitter.put(c, onLine);
    };
    at = 0;
    for (qsizetype n : sizes) {
        decoder.feed(data.sliced(at, n), put);
        at += n;
    }
    decoder.finish(put);
    splitter.finish(onLine);
    return out;
}

// The lines of the decoded text counted apart from the splitter: CR, CR LF and LF each end one,
// and an unterminated last line counts too.
int countLines(const std::string& text) {
    int lines = 0;
    bool open = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))) {
            ++lines;
            open = false;
        } else if (text[i] != '\n') {
            open = true;
        }
    }
    return lines + (open ? 1 : 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const QByteArrayView data(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));

    const Outcome whole = run(data, true);
    require(whole.records.size() == static_cast<std::size_t>(whole.lines) * kRecordSize,
            "one record of 279 bytes per line");
    require(whole.lines == countLines(whole.decoded), "one record per line of the text");
    if (whole.encoding == TextEncoding::Windows1250)
        require(whole.decoded == std::string(data.data(), static_cast<std::size_t>(data.size())),
                "Windows-1250 text passes unchanged");
    else
        require(whole.decoded.size() <= size, "UTF-8 decodes to no more bytes than it has");

    if (size > 0) {
        const Outcome cut = run(data, false);
        require(cut.encoding == whole.encoding, "the same encoding however the file is cut");
        require(cut.decoded == whole.decoded, "the same text however the file is cut");
        require(cut.records == whole.records, "the same records however the file is cut");
    }

#ifdef ZELVANOR_FUZZ_IMPORT_FILE
    // The real import reads the file in its own blocks and appends through the store.
    const QString source = scratchImportFile(QStringLiteral("import.csv"), data);
    const DataStore store(scratchFolder().path());
    const CsvImportResult result = importCsv(store, source);
    require(!result.error, "the import succeeds");
    require(result.added == whole.lines, "every line is imported");
    QFile dat(store.dataPath());
    require(dat.open(QIODevice::ReadOnly), "Telefon.dat exists");
    const QByteArray stored = dat.readAll();
    require(stored == QByteArray::fromStdString(whole.records),
            "Telefon.dat holds exactly the records of the lines");
#endif
    return 0;
}
