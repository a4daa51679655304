// The private runtime directory that holds the program's local socket.
#include "platform/runtime_directory.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace netrov::platform {
namespace {

namespace fs = std::filesystem;
using netrov::test::TempDir;

// Sets or unsets one variable for the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value->c_str(), 1);
        else unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

mode_t modeOf(const std::string& path)
{
    struct stat info {};
    lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(RuntimeDirectory, PrivateRuntimeDirFirstElseAPrivateFolderInTmpdir)
{
    TempDir temp;
    const std::string runtime = temp.file("runtime");
    const std::string open = temp.file("open");
    fs::create_directory(runtime);
    fs::create_directory(open);
    chmod(runtime.c_str(), 0700);
    chmod(open.c_str(), 0777);
    fs::create_directory_symlink(runtime, temp.path() / "link");
    const std::string fallback = temp.file("netrov-" + std::to_string(geteuid()));

    const struct {
        std::optional<std::string> runtimeDir;
        std::string expected;
    } cases[] = {
        {runtime, runtime},
        {runtime + "/", runtime},
        {std::nullopt, fallback},
        {"", fallback},
        {"relative/dir", fallback},
        {open, fallback},                        // a shared folder like /tmp is no place for it
        {temp.file("link"), fallback},           // nor a link, whoever owns its target
        {temp.file("missing"), fallback},
    };
    ScopedEnv tmpdir("TMPDIR", temp.path().string());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.runtimeDir.value_or("(unset)"));
        ScopedEnv xdg("XDG_RUNTIME_DIR", c.runtimeDir);
        EXPECT_EQ(privateRuntimeDirectory(), c.expected);
        if (c.expected == fallback) {
            EXPECT_EQ(modeOf(fallback), 0700u);
        }
    }
    ScopedEnv xdg("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(runtimeSocketPath("NetRov"), runtime + "/NetRov");
    EXPECT_EQ(runtimeSocketPath("../a/b"), runtime + "/.._a_b");
    EXPECT_EQ(runtimeSocketPath(""), "");
}

TEST(RuntimeDirectory, TheFallbackFolderIsKeptPrivateOrRefused)
{
    TempDir temp;
    ScopedEnv xdg("XDG_RUNTIME_DIR", std::nullopt);
    ScopedEnv tmpdir("TMPDIR", temp.path().string());
    const std::string fallback = temp.file("netrov-" + std::to_string(geteuid()));

    // Ours but opened up: closed again.
    fs::create_directory(fallback);
    chmod(fallback.c_str(), 0777);
    EXPECT_EQ(privateRuntimeDirectory(), fallback);
    EXPECT_EQ(modeOf(fallback), 0700u);
    fs::remove(fallback);

    // A link planted in its place is not followed.
    const std::string elsewhere = temp.file("elsewhere");
    fs::create_directory(elsewhere);
    chmod(elsewhere.c_str(), 0700);
    fs::create_directory_symlink(elsewhere, fallback);
    EXPECT_EQ(privateRuntimeDirectory(), "");
    EXPECT_EQ(runtimeSocketPath("NetRov"), "");
    fs::remove(fallback);

    // Occupied by another user: refused, not shared.
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make a folder of another user";
    fs::create_directory(fallback);
    chmod(fallback.c_str(), 0700);
    ASSERT_EQ(chown(fallback.c_str(), 65534, 65534), 0);
    EXPECT_EQ(privateRuntimeDirectory(), "");
}

}  // namespace
}  // namespace netrov::platform
