// SPDX-License-Identifier: MIT
#include "convert/ConvertCli.h"

#include "common/Errors.h"
#include "common/Version.h"
#include "convert/OutputFile.h"
#include "document/ListedLines.h"
#include "document/Open.h"
#include "document/Picture.h"
#include "render/RtfListing.h"
#include "render/Utf8Listing.h"

#include <cctype>
#include <charconv>
#include <new>

namespace quillet::cli {

std::string_view usageText()
{
    return "usage: quillet-convert [--rtf [--kanji] | --utf8 [--charset SET]] [--screen N]\n"
           "                       [--html [--charset SET]] [--colours SCHEME]\n"
           "                       [--png] [--sprites] [--sprite-size N] [--interlace]\n"
           "                       [--palette FILE] [--palette-index N] [--msx2-colours]\n"
           "                       [--hide-65530] [--addresses] INPUT [OUTPUT]\n"
           "       quillet-convert [options above] --output-dir DIR [--from-file LIST]\n"
           "                       INPUT...\n"
           "       quillet-convert --tokenize [--utf8 [--charset SET]] LISTING [OUTPUT]\n"
           "       quillet-convert [--max-members N] [--max-total-size N] --list CONTAINER\n"
           "       quillet-convert [--max-members N] [--max-total-size N]\n"
           "                       --extract-all CONTAINER DIR\n"
           "       quillet-convert --new-disk DISK [--size 720|360]\n"
           "       quillet-convert --put FILE... DISK[::FOLDER] | TAPE\n"
           "       quillet-convert --delete IMAGE::NAME...\n"
           "       quillet-convert --mkdir DISK::FOLDER...\n"
           "       quillet-convert --new-cas TAPE\n"
           "       quillet-convert --wav TAPE OUT.wav [--baud 1200|2400]\n"
           "       quillet-convert [--hide-65530] --xref INPUT [OUTPUT]\n"
           "       quillet-convert [--hide-65530] --check INPUT... [--from-file LIST]\n"
           "       quillet-convert --help | --version\n"
           "\n"
           "Converts an MSX file. A tokenized BASIC program (first byte 0xFF) becomes\n"
           "its ASCII listing, a plain-text listing is copied as it is, and a BSAVE\n"
           "screen image (first byte 0xFE) becomes a BMP picture, or a PNG picture\n"
           "when OUTPUT ends in .png or with --png. A picture asked of a file that\n"
           "is none (OUTPUT ending in .png or .bmp, or --png) fails, and so does a\n"
           "listing asked of a picture. With --tokenize, a listing becomes the\n"
           "tokenized program MSX BASIC would store for it.\n"
           "\n"
           "A file that is neither listing nor picture (a BSAVE file of machine code,\n"
           "whose addresses are not video memory; a ROM image, an MSX-DOS program)\n"
           "becomes its hex view, in place of the listing in every listing form:\n"
           "the BSAVE header's addresses, then lines of the address (or offset),\n"
           "16 bytes in hex and the same bytes as characters.\n"
           "\n"
           "A disk image, cassette image or archive (ZIP, LZH, 7z, gzip, tar) holds\n"
           "files: INPUT names one as CONTAINER::MEMBER, and a container inside a\n"
           "container as CONTAINER::INNER::MEMBER (disk1.dsk::DIR/GAME.BAS).\n"
           "Disk and tape images are written whole or not at all: a change that cannot\n"
           "be made (a full disk, a name in the way, a damaged image) leaves the image\n"
           "as it was. With --tokenize, OUTPUT may be DISK::NAME.BAS.\n"
           "Any file name may also be given as a file:// URI.\n"
           "\n"
           "  --rtf          write the RTF listing instead of the ASCII listing\n"
           "  --kanji        with --rtf: Kanji mode (code page 932 text)\n"
           "  --utf8         write the listing as UTF-8 text: each character as the\n"
           "                 Unicode character that looks like its MSX glyph; with\n"
           "                 --tokenize, read the listing as such text\n"
           "  --charset SET  with --utf8 or --html: the machine's character set, jp\n"
           "                 (default), intl or br\n"
           "  --html         write the listing as one web page with the MSX font inside:\n"
           "                 roles in colour, each line an anchor L<number>, each line\n"
           "                 reference a link to it (a missing line is marked)\n"
           "  --colours SCHEME  with --html: standard (default, on white) or msx (white\n"
           "                 on the MSX's blue); with --rtf: the RTF in these colours\n"
           "  --tokenize     turn a listing (lines of a number and a statement) into a\n"
           "                 tokenized program; a line MSX BASIC would refuse is\n"
           "                 named and nothing is written\n"
           "  --xref         write the cross-reference of a program or listing: one\n"
           "                 line per line number referred to (the number, TAB, the\n"
           "                 lines referring to it, and TAB missing when there is no\n"
           "                 such line), an empty line, then one line per variable as\n"
           "                 MSX BASIC knows it (two characters and the type mark,\n"
           "                 TAB, the spellings used, TAB, the lines using it)\n"
           "  --check        print LINE: TARGET: no such line for each reference to a\n"
           "                 missing line, and LINE: A and B are the same variable for\n"
           "                 names MSX BASIC takes as one; status 1 when it printed\n"
           "                 anything; with several inputs each line starts with its\n"
           "                 input's name\n"
           "  --screen N     screen mode of an image, 1 to 8 or 10 to 12; without it\n"
           "                 the file's name, start address and size decide (a dump of\n"
           "                 16 KB or less from address 0 is SCREEN 2, else SCREEN 5)\n"
           "  --png          write the picture as PNG (OUTPUT ending in .png does too)\n"
           "  --sprites      draw the sprites of the sprite tables\n"
           "  --sprite-size N  with sprites: their size as SCREEN's second number,\n"
           "                 0 8x8 (default), 1 8x8 doubled, 2 16x16, 3 16x16 doubled\n"
           "  --interlace    show pages 0 and 1 of INPUT as one picture of 424 lines;\n"
           "                 NAME.S0x and NAME.S1x side by side are joined without it\n"
           "  --palette FILE the colours of FILE (a .PL5 or .PL7 palette file); NAME.PL5\n"
           "                 or NAME.PL7 beside a NAME.SR5, .SR7, .GE5 or .GE7 is used\n"
           "                 without it\n"
           "  --palette-index N  which of the up to eight palettes of the palette file\n"
           "                 to use, 0 (default) to 7; a file without it fails\n"
           "  --msx2-colours draw SCREEN 1 to 4 pictures that carry no palette table\n"
           "                 in the colours of an MSX2 (its start-up palette) instead\n"
           "                 of those of an MSX1\n"
           "  --hide-65530   leave out lines numbered 65530 and above\n"
           "  --addresses    start each line with its address in memory (four hex\n"
           "                 digits from 8001), as the program lies when loaded\n"
           "  --list         print the members of CONTAINER, one a line: path, size in\n"
           "                 bytes and kind, tab-separated, and why for a damaged one;\n"
           "                 the members of a container inside follow it\n"
           "  --extract-all  write every member of CONTAINER into the folder DIR:\n"
           "                 programs as NAME.asc listing and NAME.bas, BSAVE pictures\n"
           "                 as NAME.png and as they are, containers as folders, the\n"
           "                 rest (BSAVE binaries too) as they are\n"
           "  --max-members N  with --list or --extract-all: stop past N members in\n"
           "                 all (default 100000)\n"
           "  --max-total-size N  with --list or --extract-all: stop past N bytes\n"
           "                 unpacked in all, N in bytes or with K, M or G (default 1G)\n"
           "  --new-disk DISK  make DISK, a blank MSX-DOS disk image; refused when DISK\n"
           "                 exists\n"
           "  --size N       with --new-disk: 720 (default, two sides) or 360 (one side)\n"
           "  --put          put FILE... onto the disk image DISK, into its folder\n"
           "                 FOLDER with DISK::FOLDER, or onto the tape TAPE, replacing\n"
           "                 a file of the same name; names are formed as MSX-DOS forms\n"
           "                 them (8.3, upper case) or cut to six characters on a tape\n"
           "  --delete       remove the members IMAGE::NAME (a file, or an empty folder)\n"
           "  --mkdir        make the folders DISK::FOLDER (MSX-DOS 2 sub-folders)\n"
           "  --new-cas TAPE make TAPE, a blank cassette image; refused when TAPE exists\n"
           "  --wav          write the sound of the tape TAPE into OUT.wav, as an MSX\n"
           "                 reads it through its cassette cable\n"
           "  --baud N       with --wav: 1200 (default) or 2400 baud\n"
           "  --output-dir DIR  convert every INPUT into the folder DIR (made if\n"
           "                 missing), on all cores: NAME.asc, .rtf with --rtf, .txt\n"
           "                 with --utf8, .html with --html, .bas with --tokenize,\n"
           "                 .xref.txt with --xref, pictures NAME.bmp or with --png\n"
           "                 NAME.png, hex views NAME.hex.asc (.hex.rtf, .hex.txt,\n"
           "                 .hex.html); each option applies to the inputs it concerns.\n"
           "                 Inputs of one name get NAME~2, NAME~3, ... in the order\n"
           "                 given; a failing input is named and the others still\n"
           "                 convert; progress is shown on a terminal\n"
           "  --from-file LIST  with --output-dir or --check: the inputs named in the\n"
           "                 file LIST, one a line, after those given (- reads the\n"
           "                 names from standard input)\n"
           "  --help         show this text\n"
           "  --version      show the program's name and version\n"
           "\n"
           "OUTPUT defaults to standard output; - also means standard output.\n"
           "Exit status: 0 done, 1 the input could not be read or converted (or\n"
           "--check found something), 2 wrong arguments.\n";
}

namespace {

// The options that only a picture takes (--screen aside, which a batch's
// listings also pass by).
bool hasPictureOptions(const Options& options)
{
    return options.png || options.spriteSize || options.interlace || !options.palette.empty() || options.paletteIndex
           || options.msx2Colours;
}

// A count, or with `sized` a size that may end in K, M or G (powers of 1024).
std::optional<std::uint64_t> countOf(std::string_view text, bool sized)
{
    std::uint64_t unit = 1;
    if (sized && !text.empty()) {
        const std::string_view units = "KMG";
        const std::size_t at = units.find(static_cast<char>(std::toupper(static_cast<unsigned char>(text.back()))));
        if (at != std::string_view::npos) {
            unit = std::uint64_t(1) << (10 * (at + 1));
            text.remove_suffix(1);
        }
    }
    std::uint64_t count = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || count > UINT64_MAX / unit)
        return std::nullopt;
    return count * unit;
}

} // namespace

std::optional<Options> parseArguments(const std::vector<std::string>& args, std::FILE* err, Asked& asked)
{
    Options options;
    std::vector<std::string> positional;
    bool limited = false;
    bool sized = false, bauded = false;
    asked = Asked::Conversion;
    auto usage = [&](const std::string& problem) -> std::optional<Options> {
        std::fprintf(err, "quillet-convert: %s\n%.*s", problem.c_str(), static_cast<int>(usageText().size()),
                     usageText().data());
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            asked = Asked::Help;
            return std::nullopt;
        } else if (arg == "--version") {
            asked = Asked::Version;
            return std::nullopt;
        } else if (arg == "--rtf") {
            options.rtf = true;
        } else if (arg == "--kanji") {
            options.kanji = true;
        } else if (arg == "--utf8") {
            options.utf8 = true;
        } else if (arg == "--html") {
            options.html = true;
        } else if (arg == "--colours") {
            const std::string value = i + 1 < args.size() ? args[++i] : "";
            if (value == "standard")
                options.colours = RoleScheme::Standard;
            else if (value == "msx")
                options.colours = RoleScheme::MsxScreen;
            else
                return usage("--colours needs standard or msx" + (value.empty() ? "" : ", not '" + value + "'"));
        } else if (arg == "--charset") {
            if (i + 1 >= args.size())
                return usage("--charset needs jp, intl or br");
            const std::string& value = args[++i];
            options.charset = msx::characterSetFromName(value);
            if (!options.charset)
                return usage("--charset needs jp, intl or br, not '" + value + "'");
        } else if (arg == "--tokenize") {
            options.tokenize = true;
        } else if (arg == "--xref") {
            options.xref = true;
        } else if (arg == "--check") {
            options.check = true;
        } else if (arg == "--list") {
            options.list = true;
        } else if (arg == "--extract-all") {
            options.extractAll = true;
        } else if (arg == "--hide-65530") {
            options.hide65530 = true;
        } else if (arg == "--addresses") {
            options.addresses = true;
        } else if (arg == "--png") {
            options.png = true;
        } else if (arg == "--sprites") {
            options.spriteSize = options.spriteSize.value_or(0);
        } else if (arg == "--sprite-size") {
            const std::string value = i + 1 < args.size() ? args[++i] : "";
            if (value.size() != 1 || value[0] < '0' || value[0] > '3')
                return usage("--sprite-size needs 0, 1, 2 or 3");
            options.spriteSize = value[0] - '0';
        } else if (arg == "--interlace") {
            options.interlace = true;
        } else if (arg == "--palette") {
            if (i + 1 >= args.size())
                return usage("--palette needs a file");
            options.palette = args[++i];
        } else if (arg == "--palette-index") {
            const std::string value = i + 1 < args.size() ? args[++i] : "";
            if (value.size() != 1 || value[0] < '0' || value[0] >= '0' + PaletteFilePalettes)
                return usage("--palette-index needs 0 to 7" + (value.empty() ? "" : ", not '" + value + "'"));
            options.paletteIndex = value[0] - '0';
        } else if (arg == "--msx2-colours") {
            options.msx2Colours = true;
        } else if (arg == "--output-dir") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usage("--output-dir needs a folder");
            options.outputDir = args[++i];
        } else if (arg == "--max-members" || arg == "--max-total-size") {
            const bool members = arg == "--max-members";
            const std::string value = i + 1 < args.size() ? args[++i] : "";
            const std::optional<std::uint64_t> limit = countOf(value, !members);
            if (!limit || *limit == 0)
                return usage(arg + (members ? " needs a count" : " needs a size in bytes, K, M or G")
                             + (value.empty() ? "" : ", not '" + value + "'"));
            (members ? options.limits.maxMembers : options.limits.maxTotalSize) = *limit;
            limited = true;
        } else if (arg == "--from-file") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usage("--from-file needs a file of names, or - for standard input");
            options.fromFile = args[++i];
        } else if (arg == "--new-disk" || arg == "--put" || arg == "--delete" || arg == "--mkdir" || arg == "--new-cas"
                   || arg == "--wav") {
            const WriteCommand command = arg == "--new-disk"  ? WriteCommand::NewDisk
                                         : arg == "--put"     ? WriteCommand::Put
                                         : arg == "--delete"  ? WriteCommand::Delete
                                         : arg == "--mkdir"   ? WriteCommand::MakeFolder
                                         : arg == "--new-cas" ? WriteCommand::NewCassette
                                                              : WriteCommand::Wav;
            if (options.write != WriteCommand::None && options.write != command)
                return usage("one command that writes an image at a time");
            options.write = command;
            if (command == WriteCommand::NewDisk || command == WriteCommand::NewCassette) {
                if (i + 1 >= args.size() || args[i + 1].empty())
                    return usage(arg + " needs the name of the image to make");
                options.output = args[++i];
            }
        } else if (arg == "--size") {
            const std::string value = i + 1 < args.size() ? args[++i] : "";
            if (value != "720" && value != "360")
                return usage("--size needs 720 or 360" + (value.empty() ? "" : ", not '" + value + "'"));
            options.diskSize = value == "720" ? 720 : 360;
            sized = true;
        } else if (arg == "--baud") {
            const std::string value = i + 1 < args.size() ? args[++i] : "";
            if (value != "1200" && value != "2400")
                return usage("--baud needs 1200 or 2400" + (value.empty() ? "" : ", not '" + value + "'"));
            options.baud = value == "1200" ? 1200 : 2400;
            bauded = true;
        } else if (arg == "--screen") {
            if (i + 1 >= args.size())
                return usage("--screen needs a number");
            const std::string& value = args[++i];
            int mode = 0;
            auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), mode);
            if (ec != std::errc() || end != value.data() + value.size())
                return usage("--screen needs a number, not '" + value + "'");
            options.screen = mode;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return usage("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (sized && options.write != WriteCommand::NewDisk)
        return usage("--size goes with --new-disk");
    if (bauded && options.write != WriteCommand::Wav)
        return usage("--baud goes with --wav");
    if (options.write != WriteCommand::None) {
        if (options.rtf || options.kanji || options.utf8 || options.charset || options.html || options.colours
            || options.tokenize || options.xref || options.check || options.list || options.extractAll
            || options.hide65530 || options.addresses || options.screen || hasPictureOptions(options) || limited
            || !options.outputDir.empty() || !options.fromFile.empty())
            return usage("a command that writes an image takes no conversion option");
        switch (options.write) {
        case WriteCommand::NewDisk:
        case WriteCommand::NewCassette:
            if (!positional.empty())
                return usage("too many arguments");
            break;
        case WriteCommand::Put:
            if (positional.size() < 2)
                return usage("--put takes files and the disk, disk folder or tape to put them on");
            options.output = positional.back();
            positional.pop_back();
            options.inputs = positional;
            break;
        case WriteCommand::Delete:
        case WriteCommand::MakeFolder:
            if (positional.empty())
                return usage(std::string(options.write == WriteCommand::Delete ? "--delete" : "--mkdir")
                             + " takes IMAGE::NAME");
            for (const std::string& path : positional) {
                if (path.find("::") == std::string::npos)
                    return usage("'" + path + "' names no member: write IMAGE::NAME");
            }
            options.inputs = positional;
            break;
        case WriteCommand::Wav:
            if (positional.size() != 2)
                return usage("--wav takes a tape and the sound file to write");
            options.output = positional[1];
            options.inputs = {positional[0]};
            break;
        case WriteCommand::None: break;
        }
        options.input = options.inputs.empty() ? options.output : options.inputs.front();
        return options;
    }
    if (options.list || options.extractAll) {
        const char* name = options.list ? "--list" : "--extract-all";
        if (options.list && options.extractAll)
            return usage("--list and --extract-all are two different commands");
        if (options.rtf || options.kanji || options.utf8 || options.charset || options.hide65530 || options.screen
            || options.html || options.colours || hasPictureOptions(options))
            return usage(std::string(name) + " takes no other option");
        if (positional.empty())
            return usage("no container");
        if (options.list && positional.size() != 1)
            return usage("--list takes one container");
        if (options.extractAll && positional.size() != 2)
            return usage("--extract-all takes a container and a folder");
    }
    if (limited && !options.list && !options.extractAll)
        return usage("--max-members and --max-total-size go with --list or --extract-all");
    if (options.xref || options.check) {
        const char* name = options.xref ? "--xref" : "--check";
        if (options.xref && options.check)
            return usage("--xref and --check are two different commands");
        if (options.rtf || options.kanji || options.utf8 || options.html || options.colours || options.charset
            || options.tokenize || options.screen || hasPictureOptions(options) || options.addresses)
            return usage(std::string(name) + " takes only --hide-65530" + (options.xref ? " and --output-dir" : ""));
    }
    if (options.check) {
        // Every name is an input; the findings go to standard output.
        if (!options.outputDir.empty())
            return usage("--check writes no files, so it takes no --output-dir");
        if (positional.empty() && options.fromFile.empty())
            return usage("no input file");
        options.inputs = positional;
        options.input = positional.empty() ? options.fromFile : positional[0];
        return options;
    }
    if (!options.fromFile.empty() && options.outputDir.empty())
        return usage("--from-file goes with --output-dir");
    if (!options.outputDir.empty()) {
        if (options.list || options.extractAll)
            return usage("--output-dir converts files, not with --list or --extract-all");
        if (positional.empty() && options.fromFile.empty())
            return usage("no input file");
        for (const std::string& input : positional) {
            if (input == "-")
                return usage("--output-dir takes files, not standard input");
        }
        options.inputs = positional;
        // INPUT stands for the batch in messages before the names are read.
        positional.resize(1, options.fromFile);
    }
    if (positional.empty())
        return usage("no input file");
    if (positional.size() > 2)
        return usage("too many arguments");
    if (options.kanji && !options.rtf)
        return usage("--kanji goes with --rtf");
    if (options.rtf + options.utf8 + options.html > 1)
        return usage("--rtf, --utf8 and --html are different outputs");
    if (options.charset && !options.utf8 && !options.html)
        return usage("--charset goes with --utf8 or --html");
    if (options.colours && !options.html && !options.rtf)
        return usage("--colours goes with --html or --rtf");
    // A batch may hold listings and pictures, each taking its own options.
    if (hasPictureOptions(options)
        && (((options.rtf || options.utf8 || options.html) && options.outputDir.empty()) || options.tokenize))
        return usage("picture options go with a picture, not with --rtf, --utf8, --html or --tokenize");
    if (options.tokenize && (options.rtf || options.html || options.colours || options.screen || options.hide65530))
        return usage("--tokenize takes only --utf8 and --charset");
    options.input = positional[0];
    if (positional.size() == 2)
        options.output = positional[1];
    return options;
}

std::string_view batchExtension(const Options& options, DocumentRole role)
{
    if (options.tokenize)
        return ".bas";
    if (options.xref)
        return ".xref.txt";
    if (role == DocumentRole::Picture)
        return options.png ? ".png" : ".bmp";
    // A hex view beside the listings of a batch says it is none.
    if (role == DocumentRole::Bytes)
        return options.rtf ? ".hex.rtf" : options.utf8 ? ".hex.txt" : options.html ? ".hex.html" : ".hex.asc";
    return options.rtf ? ".rtf" : options.utf8 ? ".txt" : options.html ? ".html" : ".asc";
}

namespace {

// A listing that is text already is copied as it is: what the source has
// read ahead, then the file from its stream position in large blocks.
void copyText(Opened& document, OutputFile& output)
{
    const DocumentHead& head = document.head();
    ByteSource& source = document.rest();
    std::string start;
    if (head.firstByte)
        start += static_cast<char>(*head.firstByte);
    const auto readAhead = source.nextChunk();
    if (source.failed())
        throw QuilletError(ErrorKind::ReadFailed, document.name());
    start.append(reinterpret_cast<const char*>(readAhead.data()), readAhead.size());
    if (document.stream() && output.copyFile(start, document.stream(), document.name()))
        return;
    // A pipe or a member is read as it comes.
    output.sink().write(start);
    for (auto chunk = source.nextChunk(); !chunk.empty(); chunk = source.nextChunk())
        output.sink().write(chunk.data(), chunk.size());
    if (source.failed())
        throw QuilletError(ErrorKind::ReadFailed, document.name());
}

} // namespace

const FileAccess& commandLineFiles()
{
    static const DiskFiles files(DiskFiles::Rule::StreamsToo);
    return files;
}

std::vector<std::string> convertFile(const Options& given, const BatchTarget* batch)
{
    Options options = given;
    const OutputPlacement placement = batch ? OutputPlacement::NameInFolder : OutputPlacement::AsGiven;
    // A batch's output is named once the input's kind is known.
    auto nameOutput = [&](DocumentRole role) {
        if (!batch)
            return;
        options.output = batch->stem + std::string(batchExtension(options, role));
        if (batch->check)
            batch->check(options.output);
    };
    Opened document = openName(options.input, commandLineFiles());
    requireDocument(document);
    if (options.tokenize) {
        nameOutput(DocumentRole::Listing);
        writeTokenizedProgram(options, document, options.output, placement);
        return {};
    }
    if (options.xref) {
        nameOutput(DocumentRole::Listing);
        OutputFile output(options.output, placement);
        writeCrossReference(options, document, output);
        output.commit();
        return {};
    }

    // What the user asked for is checked before anything is written: a
    // picture output of a file that is no picture, or a file named as a
    // picture that is none in a batch, which names its outputs by content.
    const bool picture = document.role() == DocumentRole::Picture;
    if (!picture && (batch ? namesPicture(document.where().leafName()) : asksForPicture(options)))
        requirePicture(document);
    // So does a screen mode or picture option given for machine code.
    if (document.role() == DocumentRole::Bytes && !batch && (hasPictureOptions(options) || options.screen))
        requirePicture(document);
    if (picture) {
        // A batch applies each option to the inputs it concerns.
        if ((options.rtf || options.utf8 || options.html) && !batch)
            throw Unsupported(std::string(options.rtf    ? "--rtf"
                                          : options.utf8 ? "--utf8"
                                                         : "--html")
                              + " takes a listing, not a BSAVE image");
        nameOutput(DocumentRole::Picture);
        // A failure leaves nothing: the output is in place only once committed.
        OutputFile output(options.output, placement);
        auto converter = std::make_unique<BsaveConverter>();
        const PictureResult result = decodeImage(options, document, *converter);
        writePictureAs(result.picture, writesPng(options) ? PictureFormat::Png : PictureFormat::Bmp, output.sink());
        output.commit();
        std::vector<std::string> notices;
        for (const LeftOutCompanion& leftOut : result.leftOut)
            notices.push_back(leftOut.name + ": not used: " + std::string(leftOutReason(leftOut)));
        return notices;
    }

    if (hasPictureOptions(options) && !batch)
        throw Unsupported("picture options take a BSAVE image, not a listing");

    // The ASCII listing as the viewer's ASCII save writes it, streamed
    // through the chosen form as it is decoded: memory stays the same
    // whatever the size. A failure leaves no file (OutputFile removes its
    // temporary); on standard output the lines before it have gone out.
    const DocumentHead& head = document.head();
    ByteSource& source = document.rest();
    const ListingOptions listing{!options.hide65530, options.addresses};
    nameOutput(document.role());
    OutputFile output(options.output, placement);
    if (options.html) {
        writeHtmlListing(options, document, output.sink());
    } else if (options.rtf && options.colours) {
        RtfListingSink rtf(output.sink(), rtfListingOptions(options));
        forEachListedLine(head, source, listing, [&](const ListedLine& line) { rtf.writeLine(line.text, line.roles); });
        rtf.finish();
    } else if (options.rtf) {
        RtfListingSink rtf(output.sink(), rtfListingOptions(options));
        writeListing(head, source, rtf, listing);
        rtf.finish();
    } else if (options.utf8) {
        Utf8ListingSink text(output.sink(), options.charset.value_or(msx::CharacterSet::Japanese));
        writeListing(head, source, text, listing);
        text.finish();
    } else if (head.kind == DocumentKind::AsciiText) {
        copyText(document, output);
    } else
        writeListing(head, source, output.sink(), listing);
    output.commit();
    return {};
}

void resolveLocalNames(Options& options)
{
    auto resolve = [](std::string& name) {
        if (!name.empty())
            name = localName(name);
    };
    if (options.outputDir.empty())
        resolve(options.input);
    // The files and member paths a command that writes images is given.
    if (options.write != WriteCommand::None) {
        for (std::string& input : options.inputs)
            resolve(input);
    }
    resolve(options.output);
    resolve(options.palette);
    resolve(options.outputDir);
    if (options.fromFile != "-")
        resolve(options.fromFile);
}

int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)
{
    Asked asked = Asked::Conversion;
    auto options = parseArguments(args, err, asked);
    if (asked == Asked::Help) {
        std::fprintf(out, "%.*s", static_cast<int>(usageText().size()), usageText().data());
        return ExitOk;
    }
    if (asked == Asked::Version) {
        std::fprintf(out, "quillet-convert %s\n", ProgramVersion);
        return ExitOk;
    }
    if (!options)
        return ExitUsage;
    try {
        resolveLocalNames(*options);
    } catch (const QuilletError& error) {
        std::fprintf(err, "quillet-convert: %s: %.*s\n", error.detail().c_str(),
                     static_cast<int>(errorText(error.kind()).size()), errorText(error.kind()).data());
        return ExitFailed;
    }
    if (options->write != WriteCommand::None)
        return runWriteCommand(*options, err);
    if (options->check)
        return checkFiles(*options, out, err);
    if (options->list)
        return listMembers(*options, out, err);
    if (options->extractAll)
        return extractAllMembers(*options, err);
    if (!options->outputDir.empty())
        return convertAll(*options, err);
    try {
        for (const std::string& notice : convertFile(*options))
            std::fprintf(err, "quillet-convert: %s\n", notice.c_str());
    } catch (const QuilletError& error) {
        std::fprintf(err, "quillet-convert: %s: %s\n", options->input.c_str(), error.what());
        return ExitFailed;
    } catch (const Unsupported& error) {
        std::fprintf(err, "quillet-convert: %s: %s\n", options->input.c_str(), error.what());
        return ExitFailed;
    } catch (const std::bad_alloc&) {
        // A member is read whole, and so is a listing to tokenize.
        std::fprintf(err, "quillet-convert: %s: out of memory\n", options->input.c_str());
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace quillet::cli
