// SPDX-License-Identifier: MIT
// quillet-convert with containers: member paths as INPUT, --list and
// --extract-all, what a damaged container does to them, names that try to
// leave the folder, and the corpus's real disk and cassette images.

#include "ConvertRunner.h"
#include "convert/ConvertCli.h"
#include "support/ArchiveBuilder.h"
#include "support/FatImageBuilder.h"
#include "support/TestSupport.h"

#include <archive.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

const std::string Program = hexBytes(R"(
    FF 09 80 0A 00 91 20 22 48 49 22 00   # 10 PRINT "HI"
    00 00                                 # end of program
)");
const std::string Picture = hexBytes("FE 00 00 03 00 00 00  11 22 33 44 # BSAVE of 4 bytes from 0");

std::string diskImage()
{
    FatImageBuilder disk(FatLayout::doubleSided720k());
    disk.addFile("", "GAME.BAS", Program);
    disk.addFile("", "README.TXT", "HELLO\r\n");
    disk.addFolder("", "DIR");
    disk.addFile("DIR", "TITLE.SC7", Picture);
    return disk.bytes();
}

// A ZIP (or, with `tar`, a tar file) of these paths and bytes.
std::string archiveOf(const std::vector<std::pair<std::string, std::string>>& files, bool tar = false)
{
    std::vector<ArchiveEntry> entries;
    for (const auto& [path, bytes] : files)
        entries.push_back({path, bytes});
    return writeArchive(tar ? archive_write_set_format_pax_restricted : archive_write_set_format_zip, entries);
}

// Every regular file below `dir`, by its path relative to it; links are
// listed as such and never followed.
std::map<std::string, std::string> tree(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = it->path().lexically_relative(dir).string();
        if (it->is_symlink())
            files[relative] = "<link>";
        else if (it->is_regular_file())
            files[relative] = readFile(it->path());
    }
    return files;
}

std::string listingOf(const std::string& program)
{
    ScratchDir dir;
    writeFile(dir / "p.bas", program);
    const ConvertResult run = runConvert({(dir / "p.bas").string(), (dir / "p.asc").string()});
    EXPECT_EQ(run.status, cli::ExitOk) << run.err;
    return readFile(dir / "p.asc");
}

// `path` as a file manager hands it over: a file URI, escaped.
std::string fileUri(const fs::path& path)
{
    std::string uri = "file://";
    for (const unsigned char c : path.string()) {
        if (std::isalnum(c) || std::strchr("/-._~", c)) {
            uri += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            uri += escape;
        }
    }
    return uri;
}

} // namespace

TEST(ContainerCli, TakesFileUrisWhereverItTakesAFileName)
{
    ScratchDir scratch;
    const fs::path dir = scratch / "my files";
    fs::create_directories(dir);
    writeFile(dir / "disk 1.dsk", diskImage());
    writeFile(dir / "GAME.BAS", Program);
    const std::string disk = fileUri(dir / "disk 1.dsk");
    const std::string listing = listingOf(Program);

    // A member path after the URI, an output URI, a container command.
    ConvertResult run = runConvert({disk + "::GAME.BAS", fileUri(dir / "game.asc")});
    ASSERT_EQ(run.status, cli::ExitOk) << run.err;
    EXPECT_EQ(readFile(dir / "game.asc"), listing);
    run = runConvert({"--list", "file://localhost" + (dir / "disk 1.dsk").string()});
    ASSERT_EQ(run.status, cli::ExitOk) << run.err;
    EXPECT_NE(run.out.find("GAME.BAS"), std::string::npos) << run.out;
    run = runConvert({"--extract-all", disk, fileUri(dir / "out")});
    ASSERT_EQ(run.status, cli::ExitOk) << run.err;
    EXPECT_EQ(readFile(dir / "out" / "GAME.asc"), listing);

    // A batch: the input of another machine is named, the others convert.
    run = runConvert({"--output-dir", fileUri(dir / "batch"), fileUri(dir / "GAME.BAS"), "http://example.org/B.BAS",
                      disk + "::DIR/TITLE.SC7"});
    EXPECT_EQ(run.status, cli::ExitFailed);
    EXPECT_EQ(run.err, "quillet-convert: http://example.org/B.BAS: not a local file: http://example.org/B.BAS\n");
    EXPECT_EQ(readFile(dir / "batch" / "GAME.asc"), listing);
    EXPECT_TRUE(fs::exists(dir / "batch" / "TITLE.bmp"));

    // One name refused refuses the conversion, naming it.
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"smb://nas/GAME.BAS"}, "smb://nas/GAME.BAS: not a local file"},
        {{fileUri(dir / "GAME.BAS"), "file://server/out.asc"}, "file://server/out.asc: not a local file"},
        {{"--palette", "file:///x/a%2Fb.pl5", disk + "::DIR/TITLE.SC7"}, "file:///x/a%2Fb.pl5: not a valid file URI"},
    };
    for (const auto& [args, message] : refused) {
        run = runConvert(args);
        EXPECT_EQ(run.status, cli::ExitFailed);
        EXPECT_EQ(run.err, "quillet-convert: " + message + "\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(fs::exists(dir / "out.asc"));
}

TEST(ContainerCli, ListPrintsPathSizeAndKindWithNestedContainersBelowTheirOwn)
{
    ScratchDir dir;
    writeFile(dir / "games.zip", archiveOf({{"disk1.dsk", diskImage()}, {"notes.txt", "10 REM\r\n"}}));
    const ConvertResult run = runConvert({"--list", (dir / "games.zip").string()});
    ASSERT_EQ(run.status, cli::ExitOk) << run.err;
    EXPECT_EQ(run.out, "disk1.dsk\t737280\tcontainer\n"
                       "disk1.dsk::GAME.BAS\t14\tbasic\n"
                       "disk1.dsk::README.TXT\t7\ttext\n"
                       "disk1.dsk::DIR\t<DIR>\t2024-05-06 12:34\n"
                       "disk1.dsk::DIR/TITLE.SC7\t11\tbsave\n"
                       "notes.txt\t8\ttext\n");
    EXPECT_EQ(run.err, "");

    // A container inside is listed by its member path too.
    const ConvertResult inner = runConvert({"--list", (dir / "games.zip").string() + "::disk1.dsk"});
    ASSERT_EQ(inner.status, cli::ExitOk) << inner.err;
    EXPECT_EQ(inner.out,
              "GAME.BAS\t14\tbasic\nREADME.TXT\t7\ttext\nDIR\t<DIR>\t2024-05-06 12:34\nDIR/TITLE.SC7\t11\tbsave\n");
}

TEST(ContainerCli, MemberInputIsConvertedAsAFileWouldBe)
{
    ScratchDir dir;
    writeFile(dir / "disk.dsk", diskImage());
    writeFile(dir / "games.zip", archiveOf({{"disk1.dsk", diskImage()}}));
    ConvertResult run = runConvert({(dir / "disk.dsk").string() + "::game.bas", (dir / "game.asc").string()});
    ASSERT_EQ(run.status, cli::ExitOk) << run.err;
    EXPECT_EQ(readFile(dir / "game.asc"), listingOf(Program));

    // Two levels down; the member's name ends in 7, so SCREEN 7: 512 pixels wide.
    run = runConvert({(dir / "games.zip").string() + "::disk1.dsk::DIR/TITLE.SC7", (dir / "title.bmp").string()});
    ASSERT_EQ(run.status, cli::ExitOk) << run.err;
    const std::string bmp = readFile(dir / "title.bmp");
    ASSERT_GT(bmp.size(), 26u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<std::uint8_t>(bmp[18]) | static_cast<std::uint8_t>(bmp[19]) << 8, 512);

    // --rtf and --utf8 go with members as with files.
    run = runConvert({"--utf8", (dir / "disk.dsk").string() + "::GAME.BAS", (dir / "game.txt").string()});
    ASSERT_EQ(run.status, cli::ExitOk) << run.err;
    EXPECT_EQ(readFile(dir / "game.txt"), "10 PRINT \"HI\"\r\n");
}

TEST(ContainerCli, UnknownMembersContainersAndBrokenContainersEndWithStatusOne)
{
    ScratchDir dir;
    writeFile(dir / "disk.dsk", diskImage());
    writeFile(dir / "broken.zip", std::string("PK\x03\x04 nothing more", 17));
    writeFile(dir / "plain.bas", Program);
    const std::string disk = (dir / "disk.dsk").string();
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{disk + "::NOPE.BAS"}, "no such member: NOPE.BAS is not in " + disk},
        {{disk + "::DIR"}, "not a regular file: DIR: a folder"},
        {{disk}, "holds other files: name one as FILE::MEMBER: disk image"},
        {{disk + "::GAME.BAS::X"}, "not a disk image, cassette image or archive"},
        {{"--list", (dir / "plain.bas").string()}, "not a disk image, cassette image or archive"},
        {{"--list", (dir / "broken.zip").string()}, "is damaged"},
        {{(dir / "broken.zip").string() + "::A"}, "is damaged"},
        {{"--list", (dir / "missing.dsk").string()}, "no such file"},
        {{(dir / "missing.dsk").string() + "::GAME.BAS"}, "no such file"},
        {{"--extract-all", disk, (dir / "plain.bas" / "out").string()}, "a file stands where a folder must be"},
    };
    for (const auto& c : cases) {
        const ConvertResult run = runConvert(c.args);
        EXPECT_EQ(run.status, cli::ExitFailed) << c.args.back();
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST(ContainerCli, WrongUseOfTheContainerOptionsIsAUsageError)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{"--list"},
                                                                  {"--list", "a", "b"},
                                                                  {"--extract-all", "a"},
                                                                  {"--extract-all", "a", "b", "c"},
                                                                  {"--list", "--extract-all", "a", "b"},
                                                                  {"--list", "--rtf", "a"},
                                                                  {"--extract-all", "--screen", "7", "a", "b"},
                                                                  {"--max-members", "0", "--list", "a"},
                                                                  {"--max-members", "-5", "--list", "a"},
                                                                  {"--max-total-size", "1T", "--list", "a"},
                                                                  {"--max-total-size", "99999999999G", "--list", "a"},
                                                                  {"--max-members", "9", "a.bas"}}) {
        const ConvertResult run = runConvert(args);
        EXPECT_EQ(run.status, cli::ExitUsage) << args.back();
        EXPECT_NE(run.err.find("usage:"), std::string::npos);
    }
}

TEST(ContainerCli, DamageIsShownInTheListAndSkippedWhenExtracting)
{
    FatImageBuilder builder(FatLayout::doubleSided720k());
    builder.addFile("", "GOOD.BAS", Program);
    builder.addFile("", "LOOP.DAT", std::string(3000, 'x'), FatImageBuilder::Archive, {100, 101, 102});
    builder.setFat(101, 100);
    builder.addFile("", "COPY.DAT", std::string(3000, 'y'), FatImageBuilder::Archive, {110, 111, 112});
    builder.setFat(111, 200, 1);
    ScratchDir dir;
    writeFile(dir / "bad.dsk", builder.bytes());
    const std::string disk = (dir / "bad.dsk").string();

    const ConvertResult list = runConvert({"--list", disk});
    EXPECT_EQ(list.status, cli::ExitOk) << "what can be read is listed";
    EXPECT_EQ(list.out, "GOOD.BAS\t14\tbasic\n"
                        "LOOP.DAT\t3000\ttext\tdamaged: the cluster chain loops\n"
                        "COPY.DAT\t3000\ttext\tthe FAT copies disagree: read by the one whose chain holds\n");
    EXPECT_EQ(list.err, "quillet-convert: " + disk + ": the FAT copies disagree\n");

    const ConvertResult extract = runConvert({"--extract-all", disk, (dir / "out").string()});
    EXPECT_EQ(extract.status, cli::ExitFailed);
    EXPECT_NE(extract.err.find("LOOP.DAT: damaged: the cluster chain loops"), std::string::npos) << extract.err;
    const auto files = tree(dir / "out");
    EXPECT_EQ(files.size(), 3u);
    EXPECT_EQ(files.at("GOOD.bas"), Program);
    EXPECT_EQ(files.at("COPY.DAT"), std::string(3000, 'y'));
    EXPECT_FALSE(files.count("LOOP.DAT"));

    const ConvertResult member = runConvert({disk + "::LOOP.DAT"});
    EXPECT_EQ(member.status, cli::ExitFailed);
    EXPECT_NE(member.err.find("the member is damaged: LOOP.DAT: damaged: the cluster chain loops"), std::string::npos)
        << member.err;
}

TEST(ContainerCli, ExtractAllWritesListingsPicturesFoldersAndRawFiles)
{
    ScratchDir dir;
    writeFile(dir / "games.zip",
              archiveOf({{"disk1.dsk", diskImage()}, {"notes.txt", "10 REM\r\n"}, {"Notes.TXT", "other"}}));
    const ConvertResult run = runConvert({"--extract-all", (dir / "games.zip").string(), (dir / "out").string()});
    ASSERT_EQ(run.status, cli::ExitOk) << run.err;
    EXPECT_EQ(run.err, "");
    const auto files = tree(dir / "out");
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files)
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"Notes~2.TXT", "disk1.dsk/DIR/TITLE.SC7", "disk1.dsk/DIR/TITLE.png",
                                               "disk1.dsk/GAME.asc", "disk1.dsk/GAME.bas", "disk1.dsk/README.TXT",
                                               "notes.txt"}))
        << "a name taken in another case gets ~2";
    EXPECT_EQ(files.at("disk1.dsk/GAME.bas"), Program);
    EXPECT_EQ(files.at("disk1.dsk/GAME.asc"), listingOf(Program));
    EXPECT_EQ(files.at("disk1.dsk/DIR/TITLE.SC7"), Picture);
    EXPECT_EQ(files.at("notes.txt"), "10 REM\r\n");
    EXPECT_EQ(files.at("Notes~2.TXT"), "other");

    // The picture is the one quillet-convert makes of the file itself.
    writeFile(dir / "TITLE.SC7", Picture);
    ASSERT_EQ(runConvert({(dir / "TITLE.SC7").string(), (dir / "title.png").string()}).status, cli::ExitOk);
    EXPECT_EQ(files.at("disk1.dsk/DIR/TITLE.png"), readFile(dir / "title.png"));

    // Run again over the same folder: the files are replaced, not doubled.
    ASSERT_EQ(runConvert({"--extract-all", (dir / "games.zip").string(), (dir / "out").string()}).status, cli::ExitOk);
    EXPECT_EQ(tree(dir / "out"), files);
}

TEST(ContainerCli, MemberNamesCannotWriteOutsideTheFolder)
{
    ScratchDir dir;
    const fs::path out = dir / "out";
    const fs::path outside = dir / "outside.txt";
    writeFile(outside, "untouched");
    fs::create_directories(out);
    // A link planted where a member lands is replaced, not written through.
    fs::create_symlink(outside, out / "link.txt");
    fs::create_directories(out / "sub");
    fs::create_directory_symlink(dir.path(), out / "linkdir");

    writeFile(dir / "evil.tar", archiveOf({{"../outside.txt", "1"},
                                           {"../../escape.txt", "2"},
                                           {"/abs/outside.txt", "3"},
                                           {"sub/../../outside.txt", "4"},
                                           {"CON", "5"},
                                           {"nul.txt", "6"},
                                           {std::string("odd\x01\x7F:name.txt"), "7"},
                                           {"link.txt", "8"},
                                           {"linkdir/outside.txt", "9"}},
                                          true));
    const ConvertResult run = runConvert({"--extract-all", (dir / "evil.tar").string(), out.string()});
    EXPECT_EQ(run.status, cli::ExitFailed) << "the folder behind a planted link cannot be used: " << run.err;
    EXPECT_EQ(readFile(outside), "untouched");
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "escape.txt"));
    EXPECT_FALSE(fs::exists("/abs"));

    // Everything else is inside, under safe names.
    const auto files = tree(out);
    std::map<std::string, std::string> expected = {
        {"__/outside.txt", "1"}, {"__/__/escape.txt", "2"}, {"abs/outside.txt", "3"}, {"sub/__/__/outside.txt", "4"},
        {"_CON", "5"},           {"_nul.txt", "6"},         {"odd___name.txt", "7"},  {"link.txt", "8"},
        {"linkdir", "<link>"}};
    EXPECT_EQ(files, expected);
    EXPECT_NE(run.err.find("linkdir/outside.txt"), std::string::npos) << run.err;
}

TEST(ContainerCli, CorpusContainersAreListedAndExtracted)
{
    const fs::path corpus = corpusDir() / "containers";
    if (corpusDir().empty() || !fs::is_directory(corpus))
        GTEST_SKIP() << "no corpus";
    // The corpus's manifest counts each container's files by kind:
    // "12 files: 0 tokenized, 2 ascii-BASIC, 10 BSAVE, 0 other".
    std::map<std::string, std::string> counts;
    std::ifstream manifest(corpusDir() / "MANIFEST.tsv");
    for (std::string line; std::getline(manifest, line);) {
        if (line.rfind("containers/", 0) != 0)
            continue;
        const std::size_t files = line.find(" files: ");
        const std::size_t end = line.find(" other", files);
        const std::size_t start = line.rfind('\t', files) + 1;
        counts[line.substr(11, line.find('\t') - 11)] = line.substr(start, end + 6 - start);
    }
    const bool mtools = std::system("command -v mcopy >/dev/null 2>&1") == 0;
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        ++seen;
        const ConvertResult list = runConvert({"--list", entry.path().string()});
        ASSERT_EQ(list.status, cli::ExitOk) << list.err;
        std::map<std::string, int> kinds;
        int lines = 0;
        std::istringstream in(list.out);
        for (std::string line; std::getline(in, line); ++lines) {
            const std::size_t tab = line.rfind('\t');
            kinds[line.substr(tab + 1)]++;
            EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << "no damage: " << line;
        }
        ASSERT_TRUE(counts.count(name)) << "not in the manifest";
        // The manifest's BSAVE files are pictures and machine code alike.
        EXPECT_EQ(counts[name], std::to_string(lines) + " files: " + std::to_string(kinds["basic"]) + " tokenized, "
                                    + std::to_string(kinds["text"]) + " ascii-BASIC, "
                                    + std::to_string(kinds["bsave"] + kinds["BSAVE binary"]) + " BSAVE, "
                                    + std::to_string(kinds["other"]) + " other")
            << list.out;

        ScratchDir out;
        const ConvertResult extract = runConvert({"--extract-all", entry.path().string(), out.path().string()});
        ASSERT_EQ(extract.status, cli::ExitOk) << extract.err;
        const auto files = tree(out.path());
        EXPECT_GE(files.size(), static_cast<std::size_t>(lines));
        // The raw files are what mtools copies out of the image.
        if (mtools && entry.path().extension() == ".dsk") {
            std::istringstream again(list.out);
            for (std::string line; std::getline(again, line);) {
                const std::string member = line.substr(0, line.find('\t'));
                const std::string kind = line.substr(line.rfind('\t') + 1);
                const fs::path copy = out / "mcopy";
                fs::remove(copy);
                std::system(("MTOOLS_SKIP_CHECK=1 mcopy -n -o -i '" + entry.path().string() + "' '::/" + member + "' '"
                             + copy.string() + "' 2>/dev/null")
                                .c_str());
                const std::string stem = member.substr(0, member.rfind('.'));
                const std::string raw = kind == "basic" ? stem + ".bas" : member;
                ASSERT_TRUE(files.count(raw)) << raw;
                EXPECT_EQ(files.at(raw), readFile(copy)) << member;
            }
        }
    }
    EXPECT_EQ(seen, 4);
}

TEST(ContainerCli, JapaneseLzhArchiveListsAndExtractsEveryMemberUnderItsName)
{
    // Names in code page 932 as MSX archivers store them: a "\" as second
    // byte (ソ, 表, 能) stays in its character, one of its own separates
    // folders, and a byte with no character (0x80), shown as U+FFFD, costs no
    // other member.
    const std::vector<std::pair<std::string, std::string>> names = {
        {hexBytes("83 51 81 5B 83 80") + ".TXT", "ゲーム.TXT"},
        {hexBytes("83 5C 83 74 83 67") + ".TXT", "ソフト.TXT"},
        {hexBytes("95 5C 8E 86") + ".TXT", "表紙.TXT"},
        {hexBytes("8A BF 8E 9A 5C 83 66 81 5B 83 5E") + ".TXT", "漢字/データ.TXT"},
        {hexBytes("B1 B2") + ".TXT", "ｱｲ.TXT"},
        {hexBytes("80 41") + ".TXT", "\uFFFDA.TXT"},
        {hexBytes("93 FA 96 7B 8C EA") + ".TXT", "日本語.TXT"},
        {hexBytes("83 65 83 58 83 67") + ".TXT", "テスト.TXT"},
        {hexBytes("8F 49 82 ED 82 E8") + ".TXT", "終わり.TXT"},
        {hexBytes("4D 53 58 5C 83 5C 83 6D") + ".TXT", "MSX/ソノ.TXT"},
        {hexBytes("82 50 82 51") + ".TXT", "１２.TXT"},
        {hexBytes("94 5C 97 CD") + ".TXT", "能力.TXT"},
        {"README.TXT", "README.TXT"},
    };
    std::vector<ArchiveEntry> entries;
    std::string expectedList;
    std::map<std::string, std::string> expectedFiles;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string text = std::to_string(i) + " REM\r\n";
        entries.push_back({names[i].first, text});
        expectedList += names[i].second + "\t" + std::to_string(text.size()) + "\ttext\n";
        expectedFiles[names[i].second] = text;
    }
    ScratchDir dir;
    writeFile(dir / "japan.lzh", lzhArchive(entries));
    const ConvertResult list = runConvert({"--list", (dir / "japan.lzh").string()});
    EXPECT_EQ(list.status, cli::ExitOk) << list.err;
    EXPECT_EQ(list.out, expectedList);
    const ConvertResult extract = runConvert({"--extract-all", (dir / "japan.lzh").string(), (dir / "out").string()});
    EXPECT_EQ(extract.status, cli::ExitOk) << extract.err;
    EXPECT_EQ(tree(dir / "out"), expectedFiles);
}
