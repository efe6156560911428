// Every text of the program's text tables (core/res) appears in the manual
// of its language, so a new message cannot ship undocumented. The texts are
// read from the table sources themselves: a new table row is checked without
// anyone listing it here.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "res/app_texts.h"
#include "res/settings_file_texts.h"
#include "res/update_texts.h"

namespace kvr {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = KVR_SOURCE_DIR;

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The value of adjacent C++ string literals ("a" "b"), as the compiler
// makes it: the escapes the tables use (\n \" \\ \uXXXX) decoded.
std::string Literals(const std::string& code) {
    std::string value;
    bool inside = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (!inside) {
            inside = c == '"';
            continue;
        }
        if (c == '"') {
            inside = false;
        } else if (c != '\\') {
            value += c;
        } else if (code[++i] == 'n') {
            value += '\n';
        } else if (code[i] == 'u') {
            AppendUtf8(value,
                       static_cast<std::uint32_t>(std::stoul(code.substr(i + 1, 4), nullptr, 16)));
            i += 4;
        } else {
            value += code[i];
        }
    }
    return value;
}

struct TableText {
    std::string name;
    std::string en;
    std::string de;
};

// Each `constexpr Text kName{EN, DE}` and each row {EN, DE} of a
// `constexpr Text kName[] = {...}` in a text table header.
std::vector<TableText> TableTexts(const fs::path& header) {
    static const std::regex declaration(R"(constexpr Text (k\w+)(?:\[\])?\s*=?\s*\{([\s\S]*?)\};)");
    static const std::regex pair(
        R"re(((?:\s*"(?:[^"\\]|\\.)*")+)\s*,\s*((?:\s*"(?:[^"\\]|\\.)*")+)\s*\}?)re");
    std::vector<TableText> texts;
    const std::string code = ReadText(header);
    for (std::sregex_iterator d(code.begin(), code.end(), declaration), end; d != end; ++d) {
        const std::string body = (*d)[2];
        for (std::sregex_iterator p(body.begin(), body.end(), pair); p != end; ++p) {
            texts.push_back({(*d)[1], Literals((*p)[1]), Literals((*p)[2])});
        }
    }
    return texts;
}

// Markdown joins the lines of a paragraph: any run of blanks and line ends
// reads as one blank, in the manual and in the texts alike.
std::string OneBlank(const std::string& text) {
    static const std::regex blanks(R"(\s+)");
    return std::regex_replace(text, blanks, " ");
}

// What the manual must hold of a text: each line, and within a line each
// piece between the values filled in (%1, %2, ...), without the blanks
// around it.
std::vector<std::string> Pieces(const std::string& text) {
    static const std::regex split(R"(\n|%\d)");
    std::vector<std::string> pieces;
    for (std::sregex_token_iterator t(text.begin(), text.end(), split, -1), end; t != end; ++t) {
        std::string piece = OneBlank(*t);
        piece.erase(0, piece.find_first_not_of(' '));
        piece.erase(piece.find_last_not_of(' ') + 1);
        if (!piece.empty()) pieces.push_back(piece);
    }
    return pieces;
}

TEST(ManualTexts, EveryTableTextIsInTheManualOfItsLanguage) {
    const std::string manualEn = OneBlank(ReadText(kSource / "docs" / "pc-setup-english.md"));
    const std::string manualDe = OneBlank(ReadText(kSource / "docs" / "pc-setup-deutsch.md"));
    ASSERT_FALSE(manualEn.empty());
    ASSERT_FALSE(manualDe.empty());

    std::vector<TableText> texts;
    for (const fs::directory_entry& entry : fs::directory_iterator(kSource / "core" / "res")) {
        const std::string name = entry.path().filename().string();
        // The command line's --help texts are its own documentation.
        if (entry.path().extension() != ".h" || name == "cli_help_texts.h") continue;
        for (TableText& t : TableTexts(entry.path())) texts.push_back(std::move(t));
    }
    // The reading of the tables is right where it is hardest: several
    // literals, escapes, values filled in, and rows of an array.
    auto find = [&](const std::string& name) {
        for (const TableText& t : texts) {
            if (t.name == name) return t;
        }
        return TableText{};
    };
    EXPECT_EQ(find("kUpdateNoSetup").de, texts::kUpdateNoSetup.de);
    EXPECT_EQ(find("kSettingsWriteFailed").de, texts::kSettingsWriteFailed.de);
    EXPECT_EQ(find("kKindName").de, texts::kKindName.de);
    EXPECT_EQ(find("kUserFolderError").en, texts::kUserFolderError.en);
    EXPECT_EQ(find("kBrakeEntries").de, texts::kBrakeEntries[0].de);
    EXPECT_GT(texts.size(), 120u);

    for (const TableText& t : texts) {
        for (const std::string& piece : Pieces(t.en)) {
            EXPECT_NE(manualEn.find(piece), std::string::npos)
                << t.name << ": \"" << piece << "\" is not in docs/pc-setup-english.md";
        }
        for (const std::string& piece : Pieces(t.de)) {
            EXPECT_NE(manualDe.find(piece), std::string::npos)
                << t.name << ": \"" << piece << "\" is not in docs/pc-setup-deutsch.md";
        }
    }
}

}  // namespace
}  // namespace kvr
