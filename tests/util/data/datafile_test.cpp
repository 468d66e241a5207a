#include "util/data/datafile.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "util/data/huffman.h"
#include "util/error/fatal.h"

namespace {

const std::string ERROR_CAPTION = "Error in file src\\util\\data\\data:";

// Runs body in a child whose working folder is dir; the child fails (exit 3) on a mismatch.
ChildResult in_folder(const TempDir& dir, const std::function<void()>& body)
{
    return run_in_child([&] {
        if (chdir(dir.path().c_str()) != 0) std::_Exit(4);
        body();
        if (::testing::Test::HasFailure()) std::_Exit(3);
    });
}

std::string gzip_bytes(const std::string& plain, const std::string& path)
{
    gzFile gz = gzopen(path.c_str(), "wb");
    gzwrite(gz, plain.data(), static_cast<unsigned>(plain.size()));
    gzclose(gz);
    return read_file_bytes(path);
}

std::string stream_text(FILE* file)
{
    std::string text;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    return text;
}

std::string u32(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

std::string chunk(const std::string& name, const std::string& contents)
{
    return std::string("QXVDFC\0", 7) + u32(static_cast<std::uint32_t>(name.size())) +
           u32(static_cast<std::uint32_t>(contents.size())) + name + contents;
}

std::string huff(const std::string& payload)
{
    std::vector<unsigned char> out(HuffmanCoder::max_encoded_size(payload.size()));
    std::uint32_t size = 0;
    HuffmanCoder coder;
    coder.encode(out.data(), &size, reinterpret_cast<const unsigned char*>(payload.data()),
                 static_cast<std::uint32_t>(payload.size()));
    return std::string(reinterpret_cast<const char*>(out.data()), size);
}

std::string packed_file(const std::string& payload, char major = 0, char minor = 2)
{
    return std::string("Tarnholm Data File\0", 19) + major + minor + huff(payload);
}

// The files of a small tree, each as it should come back through its loader.
const std::string BINARY("\x89PNG\r\n\x1a\n\0\x01\x02\xff", 12);
const std::string TEXT = "<modulators>\r\n<lfo name=\"a\"/>\r\n</modulators>\n";
const std::string SHADER = "void main() { gl_FragColor = vec4(1.0); }\n";
const std::string TRACK("\x03\x00\x00\x00track bytes", 15);
const std::string LIVE_SET = "<Ableton><LiveSet/></Ableton>";

void write_tree(const TempDir& dir)
{
    dir.write("data/common/images/pic.png", BINARY);
    dir.write("data/music/tune.xml", TEXT);
    dir.write("data/shaders/plain.frag", SHADER);
    dir.write("data/sync/scene.track", TRACK);
    dir.write("data/music/set.als", "");
    gzip_bytes(LIVE_SET, dir.file("data/music/set.als"));
}

// Loads every file of the tree the way the system's callers do, checking what comes back.
void load_tree()
{
    int size = -7;
    char* png = DataFile::load_file("data/common/images/pic.png", "rb", &size, false);
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(std::string(png, size), BINARY);
    std::free(png);

    char* text = DataFile::load_file("data/music/tune.xml", "rb", &size, true);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(size, static_cast<int>(TEXT.size()) + 1);
    EXPECT_EQ(std::string(text), TEXT);
    std::free(text);

    char* shader = DataFile::load_file("data/shaders/plain.frag", "rt", &size, true);
    ASSERT_NE(shader, nullptr);
    EXPECT_EQ(std::string(shader), SHADER);
    std::free(shader);

    FILE* track = DataFile::open_file("data/sync/scene.track", "rb", false);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(stream_text(track), TRACK);
    std::fclose(track);

    char* live = DataFile::load_gzip_file("data/music/set.als", "rb", &size, false);
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(size, static_cast<int>(LIVE_SET.size()));
    EXPECT_EQ(std::string(live, size), LIVE_SET);
    EXPECT_EQ(live[size], '\0'); // the spare byte
    TiXmlDocument document;
    EXPECT_TRUE(LoadBuffer(document, live, size));
    ASSERT_NE(document.RootElement(), nullptr);
    EXPECT_STREQ(document.RootElement()->Value(), "Ableton");
    std::free(live);
}

} // namespace

TEST(DataFileDisk, LoadersReadTheTreeAndMissingFilesGiveNull)
{
    TempDir dir;
    write_tree(dir);
    ChildResult result = in_folder(dir, [] {
        load_tree();
        int size = 55;
        EXPECT_EQ(DataFile::load_file("data/none.png", "rb", &size, true), nullptr);
        EXPECT_EQ(DataFile::load_gzip_file("data/none.als", "rb", &size, false), nullptr);
        EXPECT_EQ(DataFile::open_file("data/none.track", "rb", false), nullptr);
        EXPECT_EQ(size, 55);
        EXPECT_TRUE(DataFile::entries.empty()); // disk mode collects nothing
        char* no_size = DataFile::load_file("data/sync/scene.track", "rb", nullptr, false);
        EXPECT_NE(no_size, nullptr);
        std::free(no_size);
    });
    EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
}

// Text mode ("rt") reads each CR LF as LF, on disk, while packing and from the packed file;
// binary mode keeps every byte. A lone CR is not a line end and stays.
TEST(DataFileDisk, TextModeReadsCarriageReturnLineFeedAsLineFeed)
{
    const std::string crlf = "uniform float a;\r\nvoid main()\r\n{ }\rx\r\n";
    const std::string lf = "uniform float a;\nvoid main()\n{ }\rx\n";
    TempDir dir;
    dir.write("data/shaders/crlf.frag", crlf);
    auto expect_text = [&](const char* mode, bool add_nul, const std::string& expected) {
        int size = -1;
        char* text = DataFile::load_file("data/shaders/crlf.frag", mode, &size, add_nul);
        ASSERT_NE(text, nullptr) << mode;
        EXPECT_EQ(size, static_cast<int>(expected.size()) + (add_nul ? 1 : 0)) << mode;
        EXPECT_EQ(std::string(text, expected.size()), expected) << mode;
        if (add_nul) {
            EXPECT_EQ(text[expected.size()], '\0') << mode;
        }
        std::free(text);
    };
    ChildResult disk = in_folder(dir, [&] {
        expect_text("rt", true, lf);
        expect_text("rt", false, lf);
        expect_text("rb", true, crlf);
        DataFile::set_mode(DATAFILE_MODE_WRITE);
        expect_text("rt", true, lf);
        ASSERT_EQ(DataFile::entries.size(), 1u);
        EXPECT_EQ(std::string(DataFile::entries[0]->data, DataFile::entries[0]->size), lf + '\0');
    });
    EXPECT_EQ(disk.exit_code, 0) << disk.out << disk.err;

    // A packed entry that still holds CR LF is read the same way.
    TempDir reader;
    reader.write("data.qxv", packed_file(chunk("data/shaders/crlf.frag", crlf + '\0')));
    ChildResult packed = in_folder(reader, [&] {
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        expect_text("rt", true, lf);
        expect_text("rb", true, crlf);
    });
    EXPECT_EQ(packed.exit_code, 0) << packed.out << packed.err;
}

TEST(DataFileDisk, EmptyAndShortFilesAreFatal)
{
    TempDir dir;
    dir.write("empty.txt", "");
    dir.write("tiny.gz", "ab");
    dir.write("folder/inside", "x");
    struct Case {
        std::function<void()> load;
        std::string message;
    } cases[] = {
        {[] { DataFile::load_file("empty.txt", "rb", nullptr, true); },
         "Tried to read 0 bytes from empty.txt, got 0"},
        {[] { DataFile::load_gzip_file("tiny.gz", "rb", nullptr, false); },
         "Something went wrong reading from tiny.gz, we got return value 0"},
        {[] { DataFile::load_gzip_file("empty.txt", "rb", nullptr, false); },
         "Something went wrong reading from empty.txt, we got return value 0"},
        {[] { DataFile::load_file("folder", "rb", nullptr, false); }, "bytes from folder, got 0"},
        {[] {
             DataFile::set_mode(DATAFILE_MODE_WRITE);
             DataFile::open_file("folder", "rb", false);
         },
         "bytes from folder, got 0"},
        {[] {
             DataFile::set_mode(DATAFILE_MODE_READ);
             DataFile::read("folder");
         },
         "bytes from folder"},
    };
    for (const Case& c : cases) {
        ChildResult result = in_folder(dir, c.load);
        EXPECT_EQ(result.exit_code, 1) << c.message;
        EXPECT_NE(result.err.find(ERROR_CAPTION), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

TEST(DataFileDisk, GzipSizeAtTheEndIsCheckedAgainstTheData)
{
    // A file of many chunks loads whole; one whose last four bytes claim 2 GiB is refused by
    // what its data gives, without room for the claim being taken first.
    TempDir dir;
    std::string big;
    for (int i = 0; i < 300000; ++i) big.push_back(static_cast<char>('a' + (i * 7 + i / 13) % 26));
    gzip_bytes(big, dir.file("big.gz"));
    std::string lying = gzip_bytes("hello world", dir.file("small.gz"));
    const std::string two_gib("\x00\xff\xff\x7f", 4);
    lying.replace(lying.size() - 4, 4, two_gib);
    dir.write("lying.gz", lying);
    dir.write("plain.txt", "not compressed" + two_gib); // read as it stands: 18 bytes

    ChildResult loaded = in_folder(dir, [&] {
        int size = 0;
        char* data = DataFile::load_gzip_file("big.gz", "rb", &size, false);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(size, static_cast<int>(big.size()));
        EXPECT_EQ(std::string(data, big.size()), big);
        EXPECT_EQ(data[big.size()], '\0');
        EXPECT_EQ(data[big.size() + 1], '\0');
        std::free(data);
    });
    EXPECT_EQ(loaded.exit_code, 0) << loaded.out << loaded.err;

    const struct {
        const char* file;
        const char* message;
    } refusals[] = {
        {"lying.gz", "Something went wrong reading from lying.gz, we got return value -1"},
        {"plain.txt", "flength of 2147483392 does not match 18"},
    };
    for (const auto& refusal : refusals) {
        ChildResult refused =
            in_folder(dir, [&] { DataFile::load_gzip_file(refusal.file, "rb", nullptr, false); });
        EXPECT_EQ(refused.exit_code, 1);
        EXPECT_NE(refused.err.find(refusal.message), std::string::npos) << refused.err;
    }
}

TEST(LoadBufferTest, NullAndEmptyBuffersSetTheirErrors)
{
    TiXmlDocument document;
    EXPECT_FALSE(LoadBuffer(document, nullptr, 5));
    EXPECT_EQ(document.ErrorId(), 2);
    char empty[1] = {'x'};
    EXPECT_FALSE(LoadBuffer(document, empty, 0));
    EXPECT_EQ(document.ErrorId(), 13);
    EXPECT_STREQ(document.ErrorDesc(), "Error null (0) or unexpected EOF found in input stream.");
}

TEST(LoadBufferTest, TerminatesTheBufferAndTurnsLineEndsIntoLineFeeds)
{
    // The byte after the length is overwritten with the terminator, so trailing garbage is
    // never parsed.
    std::string source = "<a>one\r\ntwo\rthree\n</a>GARBAGE";
    std::vector<char> buffer(source.begin(), source.end());
    buffer.push_back('!');
    int length = static_cast<int>(source.size()) - 7;
    TiXmlDocument document;
    TiXmlBase::SetCondenseWhiteSpace(false);
    ASSERT_TRUE(LoadBuffer(document, buffer.data(), length)) << document.ErrorDesc();
    TiXmlBase::SetCondenseWhiteSpace(true);
    EXPECT_EQ(buffer[length], '\0');
    EXPECT_STREQ(document.RootElement()->GetText(), "one\ntwo\nthree\n");

    std::string broken = "<a><b></a>";
    std::vector<char> bad(broken.begin(), broken.end());
    bad.push_back('\0');
    EXPECT_FALSE(LoadBuffer(document, bad.data(), static_cast<int>(broken.size())));
    EXPECT_TRUE(document.Error());

    // Texts that end inside a UTF-8 sequence: the parser's step over the sequence stays within
    // the terminators, and the text is refused.
    for (std::string cut : {"<a>x\xF0", "<a b=\"\xE2", "<\xF4", "<a>\xC3", "<a\xF0"}) {
        std::vector<char> text(cut.begin(), cut.end());
        text.push_back('\0');
        EXPECT_FALSE(LoadBuffer(document, text.data(), static_cast<int>(cut.size()))) << cut;
    }
}

TEST(DataFilePacked, WriteModeCollectsAndReadModeServesEveryFileByteForByte)
{
    TempDir dir;
    write_tree(dir);
    ChildResult packing = in_folder(dir, [] {
        DataFile::set_mode(DATAFILE_MODE_WRITE);
        DataFile::read("data.qxv"); // only read mode reads
        load_tree();
        char* again = DataFile::load_file("data/common/images/pic.png", "rb", nullptr, false);
        std::free(again);
        ASSERT_EQ(DataFile::entries.size(), 5u);
        // Text keeps its terminator; the gzip file is kept decompressed.
        EXPECT_EQ(DataFile::entries[1]->size, static_cast<int>(TEXT.size()) + 1);
        EXPECT_EQ(std::string(DataFile::entries[4]->data, DataFile::entries[4]->size), LIVE_SET);
        DataFile::write("data.qxv");
        DataFile::delete_temp_files();
    });
    ASSERT_EQ(packing.exit_code, 0) << packing.out << packing.err;
    EXPECT_NE(packing.out.find(" [DATA] Skipping duplicate entry for data/common/images/pic.png\n"),
              std::string::npos) << packing.out;
    EXPECT_NE(packing.out.find(" Writing datafile data.qxv\n"), std::string::npos);
    EXPECT_NE(packing.out.find(" ..file: data/sync/scene.track, 15 bytes\n"), std::string::npos);
    EXPECT_NE(packing.out.find(" Done writing datafile \"data.qxv\" of 0.00 MB!\n"), std::string::npos);
    EXPECT_NE(packing.out.find(" ..original file size:        "), std::string::npos) << packing.out;
    EXPECT_NE(packing.out.find(" ..compression rate:    "), std::string::npos);
    EXPECT_NE(packing.out.find(" %\n"), std::string::npos);

    // Read from a folder without the tree: everything must come from the packed file.
    TempDir reader;
    std::string packed = read_file_bytes(dir.file("data.qxv"));
    ASSERT_GT(packed.size(), 21u);
    EXPECT_EQ(packed.substr(0, 21), std::string("Tarnholm Data File\0\0\2", 21));
    reader.write("data.qxv", packed);
    ChildResult reading = in_folder(reader, [] {
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        ASSERT_EQ(DataFile::entries.size(), 5u);
        EXPECT_EQ(DataFile::entries[0]->name, "data/common/images/pic.png");
        EXPECT_FALSE(DataFile::entries[0]->loaded);
        load_tree();
        for (const DataEntry* entry : DataFile::entries) EXPECT_TRUE(entry->loaded) << entry->name;
        int size = 55;
        EXPECT_EQ(DataFile::load_file("data/none.png", "rb", &size, false), nullptr);
        EXPECT_EQ(DataFile::load_gzip_file("data/none.als", "rb", &size, false), nullptr);
        EXPECT_EQ(DataFile::open_file("data/none.track", "rb", false), nullptr);
        EXPECT_EQ(size, 55);
        // Binary data packed without a terminator still comes back terminated as text.
        char* text = DataFile::load_file("data/sync/scene.track", "rb", &size, true);
        EXPECT_EQ(size, static_cast<int>(TRACK.size()) + 1);
        EXPECT_EQ(text[TRACK.size()], '\0');
        std::free(text);
        DataFile::read("data.qxv"); // a second read does nothing
        EXPECT_EQ(DataFile::entries.size(), 5u);
        DataFile::delete_temp_files();
    });
    EXPECT_EQ(reading.exit_code, 0) << reading.out << reading.err;
}

namespace {

int g_reports = 0;
void count_report() { ++g_reports; }

} // namespace

TEST(DataFileProgress, EveryFileHandedOutIsReportedAndReadModeCountsThePackedEntries)
{
    TempDir dir;
    write_tree(dir);
    dir.write("data.qxv", packed_file(chunk("a.txt", "x") + chunk("b.txt", "y")));
    ChildResult result = in_folder(dir, [] {
        DataFile::set_progress_callback(count_report);
        load_tree();
        EXPECT_EQ(g_reports, 5) << "disk mode";
        int size = 0;
        EXPECT_EQ(DataFile::load_file("data/none.png", "rb", &size, false), nullptr);
        EXPECT_EQ(g_reports, 5) << "a missing file is not reported";
        unsigned int loaded = 9, total = 9;
        EXPECT_FALSE(DataFile::packed_progress(&loaded, &total)) << "nothing counted on disk";

        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        ASSERT_TRUE(DataFile::packed_progress(&loaded, &total));
        EXPECT_EQ(loaded, 0u);
        EXPECT_EQ(total, 2u);
        std::free(DataFile::load_file("b.txt", "rb", &size, false));
        EXPECT_EQ(g_reports, 6);
        ASSERT_TRUE(DataFile::packed_progress(&loaded, &total));
        EXPECT_EQ(loaded, 1u);
        EXPECT_EQ(total, 2u);
    });
    EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
}

TEST(DataFilePacked, WriteOutsideWriteModeDoesNothing)
{
    TempDir dir;
    ChildResult result = in_folder(dir, [] {
        DataFile::write("data.qxv");
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::write("data.qxv");
    });
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(read_file_bytes(dir.file("data.qxv")), "");
}

TEST(DataFilePacked, BrokenPackedFilesEndInTheFatalReport)
{
    std::string good = packed_file(chunk("a", "xyz") + chunk("b", ""));
    std::string wrong_symbols = good;
    wrong_symbols[21 + 4] = '\x01';
    wrong_symbols[21 + 5] = '\x01'; // 257 symbols
    std::string oversized = good;
    oversized[21 + 11] = '\x7f'; // a decoded size no bits can give
    struct Case {
        const char* what;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"empty", "", "Negative or zero file length: 0"},
        {"short header", "Tarnholm", "Failed to read header!"},
        {"wrong header", std::string("Tarnholm Data Filf\0\0\2", 21),
         "Unrecognized datafile header: Tarnholm Data Filf"},
        {"no major", std::string("Tarnholm Data File\0", 19), "Failed to read major version!"},
        {"no minor", std::string("Tarnholm Data File\0\0", 20), "Failed to read minor version!"},
        {"version 0.1", packed_file(chunk("a", "x"), 0, 1), "Expected datafile format 0.2, got 0.1"},
        {"version 1.2", packed_file(chunk("a", "x"), 1, 2), "Expected datafile format 0.2, got 1.2"},
        {"no stream", std::string("Tarnholm Data File\0\0\2", 21), "Failed to read 0 bytes from data.qxv"},
        {"short stream", good.substr(0, 30), "Data stream of 9 bytes is shorter than its header"},
        {"wrong stream magic", good.substr(0, 21) + "HUFX" + good.substr(25),
         "Unrecognized data stream header: HUFX"},
        {"too many symbols", wrong_symbols, "Symbol count 257 is above 256"},
        {"table past end", good.substr(0, 21 + 16 + 3), "Symbol table of "},
        {"size beyond bits", oversized, "is larger than the "},
        {"truncated bits", good.substr(0, good.size() - 3), "Data stream ended after "},
        {"wrong chunk magic", packed_file(chunk("a", "xy") + "QXVDFX" + std::string(20, '\0')),
         "Unrecognized chunk header: QXVDFX. \nRead 1 chunks, 1.90735e-06 MB before this\n"},
        {"trailing bytes", packed_file(chunk("a", "xy") + "QX"),
         "Unrecognized chunk header: QX. \nRead 1 chunks, "},
        {"short chunk header", packed_file(std::string("QXVDFC\0\1\0", 9)),
         "Chunk header after 0 chunks runs past the end of the data"},
        {"name past end", packed_file(chunk("a", "").substr(0, 7) + u32(9) + u32(0) + "abc"),
         "Chunk name of 9 bytes runs past the end of the data"},
        {"contents past end", packed_file(chunk("a", "").substr(0, 7) + u32(1) + u32(50) + "ab"),
         "Chunk a of 50 bytes runs past the end of the data"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.write("data.qxv", c.bytes);
        ChildResult result = in_folder(dir, [] {
            DataFile::set_mode(DATAFILE_MODE_READ);
            DataFile::read("data.qxv");
        });
        EXPECT_EQ(result.exit_code, 1) << c.what;
        EXPECT_EQ(result.err.rfind(ERROR_CAPTION, 0), 0u) << c.what << ": " << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.what << ": " << result.err;
    }

    TempDir none;
    ChildResult missing = in_folder(none, [] {
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
    });
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.err.find("\n\nFailed to open data file data.qxv for reading.\n"), std::string::npos);
}

TEST(DataFilePacked, ExactlyFilledPayloadAndDuplicateNames)
{
    TempDir dir;
    dir.write("data.qxv", packed_file(chunk("a/b.txt", "one") + chunk("c", "two") + chunk("a/b.txt", "3")));
    ChildResult result = in_folder(dir, [] {
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        ASSERT_EQ(DataFile::entries.size(), 3u);
        int size = 0;
        char* c = DataFile::load_file("c", "rb", &size, false);
        EXPECT_EQ(std::string(c, size), "two");
        std::free(c);
        DataFile::load_file("a/b.txt", "rb", &size, false);
    });
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("\n\nOuch, found more than one entry for a/b.txt in datafile. "
                              "Duplicates make no sense here."),
              std::string::npos) << result.err;
}

TEST(DataFilePacked, OpenFileGivesTemporaryFilesThatAreRemoved)
{
    TempDir dir;
    dir.write("data.qxv", packed_file(chunk("data/sync/x.track", "track!") + chunk("data/e.bin", "")));
    TempDir temp;
    setenv("TMPDIR", temp.path().c_str(), 1);
    ChildResult result = in_folder(dir, [&] {
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        FILE* file = DataFile::open_file("data/sync/x.track", "rb", false);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(stream_text(file), "track!");
        std::fclose(file);
        FILE* empty = DataFile::open_file("data/e.bin", "rb", false);
        ASSERT_NE(empty, nullptr);
        EXPECT_EQ(stream_text(empty), "");
        std::fclose(empty);
        ASSERT_EQ(DataFile::temp_files.size(), 2u);
        EXPECT_EQ(DataFile::temp_files[0].rfind(temp.path() + "/", 0), 0u);
        EXPECT_EQ(read_file_bytes(DataFile::temp_files[0]), "track!");
        DataFile::delete_temp_files();
        EXPECT_NE(access(DataFile::temp_files[0].c_str(), F_OK), 0);
        EXPECT_EQ(DataFile::temp_files.size(), 2u); // the list stays
        // Exporting to disk writes the packed copy under its own name, folders included.
        FILE* exported = DataFile::open_file("data/sync/x.track", "rb", true);
        ASSERT_NE(exported, nullptr);
        std::fclose(exported);
        EXPECT_EQ(read_file_bytes("data/sync/x.track"), "track!");
        // A fatal report removes the temporary files left.
        FILE* left = DataFile::open_file("data/sync/x.track", "rb", false);
        std::fclose(left);
        DataFile::load_file("data/nothing", "rb", nullptr, false);
        fatal_error("src\\x", 1, "stop");
    });
    unsetenv("TMPDIR");
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_NE(result.err.find("stop"), std::string::npos) << result.err;
    std::string listing;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(temp.path())) {
        listing += entry.path().string() + " ";
        ++files;
    }
    EXPECT_EQ(files, 0) << listing;
}

TEST(DataFilePacked, ExportWritesMusicIntoTheCurrentFolder)
{
    TempDir dir;
    dir.write("data.qxv", packed_file(chunk("data/common/music/tune.mp3", "ID3 music") +
                                      chunk("data/x.png", "p") + chunk("flat.mp3", "flat") +
                                      chunk("data\\win\\back.mp3", "back")));
    ChildResult result = in_folder(dir, [] {
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        DataFile::export_mp3();
        EXPECT_EQ(read_file_bytes("tune.mp3"), "ID3 music");
        EXPECT_EQ(read_file_bytes("flat.mp3"), "flat");
        EXPECT_EQ(read_file_bytes("back.mp3"), "back");
        EXPECT_NE(access("x.png", F_OK), 0);
    });
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_NE(result.err.find("Success\nSuccessfully exported tune.mp3 to the current folder\n"),
              std::string::npos) << result.err;

    ChildResult wrong_mode = in_folder(dir, [] { DataFile::export_mp3(); });
    EXPECT_EQ(wrong_mode.exit_code, 1);
    EXPECT_NE(wrong_mode.err.find("\n\nFailed assert DATAFILE_MODE_READ == mode\n DATAFILE_MODE_READ "
                                  "is 1\n mode is 0"),
              std::string::npos) << wrong_mode.err;

    TempDir blocked;
    blocked.write("data.qxv", packed_file(chunk("data/tune.mp3", "m")));
    blocked.write("tune.mp3/inside", "a folder stands in the way");
    ChildResult unwritable = in_folder(blocked, [] {
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        DataFile::export_mp3();
    });
    EXPECT_EQ(unwritable.exit_code, 1);
    EXPECT_NE(unwritable.err.find("\n\nFailed to create output file for tune.mp3"), std::string::npos);
}

TEST(DataFilePacked, ExportWritesOnlyTracksUnderTheirOwnNames)
{
    // Each crafted name would have reached a file the export must not touch: the packed file
    // itself, or a file of another kind, also behind backslashes. A track is written under
    // what follows its last separator of either kind.
    TempDir dir;
    dir.write("data.qxv", packed_file(chunk("evil/mp3/data.qxv", "not a packed file") +
                                      chunk("mp3\\..\\..\\x.txt", "climbs out") +
                                      chunk("data/mp3/..\\x.txt", "climbs out") +
                                      chunk("data/mp3/notes.txt", "not a track") +
                                      chunk("data/mp3/", "no name at all") +
                                      chunk("data/music/tune.mp3", "ID3 tune") +
                                      chunk("data/mp3/LOUD.MP3", "ID3 loud") +
                                      chunk("data/mp3\\..\\sneaky.mp3", "ID3 sneaky")));
    const std::string packed = read_file_bytes(dir.file("data.qxv"));
    ChildResult result = in_folder(dir, [] {
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        DataFile::export_mp3();
    });
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(folder_entries(dir.path()), (std::vector<std::string>{"LOUD.MP3", "data.qxv", "sneaky.mp3", "tune.mp3"}));
    EXPECT_EQ(read_file_bytes(dir.file("data.qxv")), packed);
    EXPECT_EQ(read_file_bytes(dir.file("tune.mp3")), "ID3 tune");
    EXPECT_EQ(read_file_bytes(dir.file("LOUD.MP3")), "ID3 loud");
    EXPECT_EQ(read_file_bytes(dir.file("sneaky.mp3")), "ID3 sneaky");

    // A packed file that is itself named like a track is never written over by its entry.
    TempDir named;
    named.write("show.mp3", packed_file(chunk("data/show.mp3", "a track of the same name")));
    const std::string show = read_file_bytes(named.file("show.mp3"));
    ChildResult same = in_folder(named, [] {
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("show.mp3");
        DataFile::export_mp3();
    });
    EXPECT_EQ(same.exit_code, 0) << same.err;
    EXPECT_EQ(read_file_bytes(named.file("show.mp3")), show);
    EXPECT_EQ(folder_entries(named.path()), (std::vector<std::string>{"show.mp3"}));
}

namespace {

// Names that hold a zero byte before ".mp3": cut there, each would name a file of the folder.
const std::string CUT_NAMES[] = {std::string("common/music/victim.txt\0.mp3", 28),
                                 std::string("common/music/pellorvane\0.mp3", 28)};

// A folder with files that such names would reach, and the data file beside them.
void write_victims(const TempDir& dir)
{
    dir.write("victim.txt", "a file of the user");
    dir.write("pellorvane", std::string("\x7f" "ELF the player itself", 22));
}

} // namespace

// A data file with a zero byte in a chunk name is damaged: it is refused while it is read,
// before any export, and the folder stays as it was. The zero byte may stand anywhere in the
// name, its first and its last byte included.
TEST(DataFilePacked, ChunkNamesWithAZeroByteAreRefused)
{
    const struct {
        std::string name;
        const char* message;
    } cases[] = {
        {CUT_NAMES[0], "Chunk name common/music/victim.txt holds a zero byte after 23 of its 28 bytes"},
        {CUT_NAMES[1], "Chunk name common/music/pellorvane holds a zero byte after 23 of its 28 bytes"},
        {std::string("\0common/music/tune.mp3", 22), "Chunk name  holds a zero byte after 0 of its 22 bytes"},
        {std::string("common/music/victim.txt\0", 24),
         "Chunk name common/music/victim.txt holds a zero byte after 23 of its 24 bytes"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        write_victims(dir);
        dir.write("data.qxv", packed_file(chunk("data/common/music/tune.mp3", "ID3 tune") +
                                          chunk(c.name, "ID3 overwritten")));
        const std::vector<std::string> before = folder_entries(dir.path());
        const std::string victim = read_file_bytes(dir.file("victim.txt"));
        const std::string player = read_file_bytes(dir.file("pellorvane"));
        const std::string packed = read_file_bytes(dir.file("data.qxv"));
        ChildResult result = in_folder(dir, [] {
            DataFile::set_mode(DATAFILE_MODE_READ);
            DataFile::read("data.qxv");
            DataFile::export_mp3();
        });
        EXPECT_EQ(result.exit_code, 1) << c.message;
        EXPECT_EQ(result.err.rfind(ERROR_CAPTION, 0), 0u) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("Successfully exported"), std::string::npos) << result.err;
        EXPECT_EQ(folder_entries(dir.path()), before);
        EXPECT_EQ(read_file_bytes(dir.file("victim.txt")), victim);
        EXPECT_EQ(read_file_bytes(dir.file("pellorvane")), player);
        EXPECT_EQ(read_file_bytes(dir.file("data.qxv")), packed);
    }
}

// The export checks the name it creates as the file system reads it: entries whose names hold a
// zero byte are no tracks, whatever follows it, and only the real track is written.
TEST(DataFilePacked, ExportSkipsNamesWithAZeroByte)
{
    TempDir dir;
    write_victims(dir);
    const std::string victim = read_file_bytes(dir.file("victim.txt"));
    const std::string player = read_file_bytes(dir.file("pellorvane"));
    ChildResult result = in_folder(dir, [] {
        DataFile::set_mode(DATAFILE_MODE_READ);
        auto add = [](const std::string& name, const std::string& contents) {
            DataEntry* entry = new DataEntry;
            entry->name = name;
            entry->size = static_cast<int>(contents.size());
            entry->data = static_cast<char*>(std::malloc(contents.size()));
            std::memcpy(entry->data, contents.data(), contents.size());
            DataFile::entries.push_back(entry);
        };
        for (const std::string& name : CUT_NAMES) add(name, "ID3 overwritten");
        add("data/common/music/tune.mp3", "ID3 tune");
        DataFile::export_mp3();
    });
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err, "Success\nSuccessfully exported tune.mp3 to the current folder\n");
    EXPECT_EQ(folder_entries(dir.path()), (std::vector<std::string>{"pellorvane", "tune.mp3", "victim.txt"}));
    EXPECT_EQ(read_file_bytes(dir.file("victim.txt")), victim);
    EXPECT_EQ(read_file_bytes(dir.file("pellorvane")), player);
    EXPECT_EQ(read_file_bytes(dir.file("tune.mp3")), "ID3 tune");
}

namespace {
// Files may not grow past 100 bytes in the calling process; writes beyond fail.
void limit_file_size()
{
    struct rlimit limit = {100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
}
} // namespace

TEST(DataFilePacked, WritesThatDoNotReachTheDiskAreFailures)
{
    const std::string big(1000, 'm');
    TempDir dir;
    dir.write("data.qxv", packed_file(chunk("data/tune.mp3", big)));
    dir.write("data/big.bin", big);
    dir.write("tune.mp3", "exported before");
    struct Case {
        const char* what;
        std::function<void()> body;
        int exit_code;
        std::string message;
    } cases[] = {
        {"temporary file", [] {
             DataFile::set_mode(DATAFILE_MODE_READ);
             DataFile::read("data.qxv");
             limit_file_size();
             EXPECT_EQ(DataFile::open_file("data/tune.mp3", "rb", false), nullptr);
         }, 0, ""},
        {"export", [] {
             DataFile::set_mode(DATAFILE_MODE_READ);
             DataFile::read("data.qxv");
             limit_file_size();
             DataFile::export_mp3();
         }, 1, "\n\nFailed to write output file for tune.mp3"},
        {"packed file", [] {
             DataFile::set_mode(DATAFILE_MODE_WRITE);
             std::free(DataFile::load_file("data/big.bin", "rb", nullptr, false));
             limit_file_size();
             DataFile::write("out.qxv");
         }, 1, "\n\nFailed to write chunk!"},
    };
    for (const Case& c : cases) {
        ChildResult result = in_folder(dir, c.body);
        EXPECT_EQ(result.exit_code, c.exit_code) << c.what << ": " << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.what << ": " << result.err;
    }
    // The failed export left the track exported before as it was, and nothing beside it.
    EXPECT_EQ(read_file_bytes(dir.file("tune.mp3")), "exported before");
    EXPECT_EQ(folder_entries(dir.path()), (std::vector<std::string>{"data", "data.qxv", "tune.mp3"}));
}
