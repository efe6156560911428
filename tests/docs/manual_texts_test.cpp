// Every text of the program's text tables (core/res/texts) appears in the
// manual of its language, so a new message cannot ship undocumented. The
// texts are read from the tables themselves: a new table row is checked
// without anyone listing it here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "res/app_texts.h"
#include "res/captions.h"
#include "res/cli_texts.h"
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

struct TableText {
    std::string name;
    std::string en;
    std::string de;
};

// A string of a table, or its list of pieces joined.
std::string Joined(const nlohmann::json& value) {
    if (value.is_string()) return value.get<std::string>();
    std::string text;
    for (const nlohmann::json& piece : value) text += piece.get<std::string>();
    return text;
}

// The Text of an entry or of a row: "en" and "de", or "both" for the two.
void AddText(const std::string& name, const nlohmann::json& entry, std::vector<TableText>& texts) {
    if (entry.contains("both")) {
        const std::string both = Joined(entry["both"]);
        texts.push_back({name, both, both});
    } else if (entry.contains("en")) {
        texts.push_back({name, Joined(entry["en"]), Joined(entry["de"])});
    }
}

// Each Text of a table, and each row of its arrays of Texts; the constants
// that are not Texts (a "type") are no messages.
std::vector<TableText> TableTexts(const fs::path& table) {
    std::ifstream in(table, std::ios::binary);
    const nlohmann::json json = nlohmann::json::parse(in);
    std::vector<TableText> texts;
    for (const nlohmann::json& entry : json.at("texts")) {
        const std::string name = entry.value("name", "");
        AddText(name, entry, texts);
        for (const nlohmann::json& row : entry.value("rows", nlohmann::json::array())) {
            AddText(name, row, texts);
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
    for (const fs::directory_entry& entry :
         fs::directory_iterator(kSource / "core" / "res" / "texts")) {
        const std::string name = entry.path().filename().string();
        // The command line's --help texts are its own documentation.
        if (entry.path().extension() != ".json" || name == "cli_help_texts.json") continue;
        for (TableText& t : TableTexts(entry.path())) texts.push_back(std::move(t));
    }
    // The reading of the tables is right where it is hardest: texts in
    // pieces, line ends, quotes, values filled in, one text for both
    // languages, and rows of an array; the program's own texts agree.
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
    EXPECT_EQ(find("kCliUpdateNotConfirmed").en, texts::kCliUpdateNotConfirmed.en);
    EXPECT_EQ(find("kCaptionWarningBang").de, texts::kCaptionWarningBang.de);
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
