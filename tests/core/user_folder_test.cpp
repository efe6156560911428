// The user's own folder: made, entered and given the manuals, or left when it cannot be.
#include "app/user_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_program.h"

namespace kvr {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// What the folder holds under a manual's name before and after the start:
// "-" nothing, "link:X" a link to X, "file:X" a file holding X.
struct FolderCase {
    std::string name;
    bool copy;
    bool installed;      // the manual exists beside the program
    std::string before;  // in the user folder
    std::string after;
};

std::string Entry(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (fs::is_symlink(status)) return "link:" + fs::read_symlink(path).filename().string();
    if (fs::is_regular_file(status)) return "file:" + ReadFileBytes(path);
    return "-";
}

TEST(UserFolder, CreatedEnteredAndGivenTheManuals) {
    const FolderCase cases[] = {
        {"first start links", false, true, "-", "link:pc-setup-english.pdf"},
        {"the user's own file stays", false, true, "file:mine", "file:mine"},
        {"a link elsewhere is renewed", false, true, "link:old.pdf", "link:pc-setup-english.pdf"},
        {"nothing installed, nothing linked", false, false, "-", "-"},
        {"Windows copies", true, true, "-", "file:manual"},
        {"an older copy is renewed", true, true, "file:old", "file:manual"},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.name);
#ifdef _WIN32
        // The Windows programs copy; Wine's links are not the point here.
        if (!c.copy) continue;
#endif
        TempDir dir;
        const fs::path installed = dir.path() / "share";
        const fs::path manual = installed / "pc-setup-english.pdf";
        const fs::path user = dir.path() / "config" / "kvrsetup";
        fs::create_directories(installed);
        if (c.installed) WriteFileBytes(manual, "manual");
        if (c.before != "-") {
            fs::create_directories(user);
            if (c.before.rfind("link:", 0) == 0) {
                fs::create_symlink(installed / c.before.substr(5), user / manual.filename());
            } else {
                WriteFileBytes(user / manual.filename(), c.before.substr(5));
                // Older than the installed manual.
                fs::last_write_time(user / manual.filename(),
                                    fs::file_time_type::clock::now() - std::chrono::hours(1));
            }
        }

        EXPECT_EQ(EnterUserFolder({user, {manual}, c.copy}, Language::English), "");
        EXPECT_EQ(fs::current_path(), user);
        EXPECT_EQ(Entry(user / manual.filename()), c.after);
    }
}

TEST(UserFolder, AFolderThatCannotBeMadeLeavesTheCurrentOne) {
    TempDir dir;
    WriteFileBytes(dir.path() / "config", "a file in the way");
    const fs::path user = dir.path() / "config" / "kvrsetup";
    EXPECT_EQ(EnterUserFolder({user, {}, false}, Language::German),
              "Der Ordner l\u00e4sst sich nicht anlegen oder \u00f6ffnen:\n" + user.string());
    EXPECT_EQ(fs::current_path(), dir.path());
}

TEST(UserFolder, OnlyTheOptionAsked) {
    const char* const withOption[] = {"kvrsetup-en", "--simulate", "--user-folder"};
    const char* const without[] = {"kvrsetup-en", "--user-folder=x", "user-folder"};
    EXPECT_TRUE(UserFolderRequested(3, withOption));
    EXPECT_FALSE(UserFolderRequested(3, without));
}

}  // namespace
}  // namespace kvr
