// Library search order, symbol lookup, ownership and module paths.
#include "platform/dynamic_library.h"
#include "platform/file_system.h"
#include "platform/module_path.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#  include <windows.h>
#  undef LoadLibrary  // the test suite's name, not the system's macro
#else
#  include <dlfcn.h>
#endif

#include <filesystem>
#include <string>

namespace netrov::platform {
namespace {

namespace fs = std::filesystem;
using netrov::test::TempDir;

#ifdef _WIN32
constexpr const char* kProbeName = "libplatform_probe.dll";
constexpr const char* kSystemLibrary = "kernel32.dll";
#else
constexpr const char* kProbeName = "libplatform_probe.so";
constexpr const char* kSystemLibrary = "libm.so.6";
#endif
using AddressFn = const void* (*)();
using AnswerFn = int (*)();

std::string copyProbe(const fs::path& directory)
{
    fs::create_directories(directory);
    fs::path target = directory / kProbeName;
    fs::copy_file(PLATFORM_PROBE_PATH, target, fs::copy_options::overwrite_existing);
    return target.string();
}

// Whether the system still holds the library at path.
bool stillLoaded(const std::string& path)
{
#ifdef _WIN32
    return GetModuleHandleA(path.c_str()) != nullptr;
#else
    return dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD) != nullptr;
#endif
}

bool samePath(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// Which copy of the probe a handle belongs to.
std::string loadedFrom(const DynamicLibrary& library)
{
    auto address = library.symbol<AddressFn>("probeAddress");
    return address ? modulePath(address()) : std::string();
}

TEST(LoadLibrary, NamesAreTakenFromTheGivenDirectoryNeverFromTheCurrentOne)
{
    struct Case {
        const char* name;        // as a support file writes it
        const char* cwdCopy;     // where a copy lies in the current directory ("" none, "junk" not a library)
        const char* ownCopy;     // where a copy lies in the given directory ("" none, "junk" not a library)
        const char* loadedFrom;  // the copy that loads: "own", or "" for none
    };
    const std::string bare = kProbeName;
    const std::string sub = std::string("sub/") + kProbeName;
    const Case cases[] = {
        {bare.c_str(), ".", ".", "own"},       // the current directory's copy is never taken
        {bare.c_str(), ".", "", ""},
        {bare.c_str(), "", "junk", ""},        // a file that is not a library is skipped
        {sub.c_str(), "sub", "sub", "own"},    // a relative path starts at the given directory
        {sub.c_str(), "sub", "", ""},          // and is never retried elsewhere
        {sub.c_str(), "", ".", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " cwd:" + c.cwdCopy + " own:" + c.ownCopy);
#ifdef _WIN32
        // Windows' own search for a bare name still looks in the current
        // directory; only the given directory's copy is kept ahead of it.
        if (c.name == bare && *c.cwdCopy && !*c.ownCopy) continue;
#endif
        TempDir temp;
        const fs::path cwd = temp.path() / "cwd";
        const fs::path own = temp.path() / "own";
        fs::create_directories(cwd);
        fs::create_directories(own);
        const auto place = [](const fs::path& root, const std::string& where) {
            if (where.empty()) return std::string();
            if (where == "junk") {
                netrov::test::writeFile((root / kProbeName).string(), "not an object file");
                return std::string();
            }
            return copyProbe(root / where);
        };
        place(cwd, c.cwdCopy);
        const std::string ownPath = place(own, c.ownCopy);
        const fs::path saved = fs::current_path();
        fs::current_path(cwd);
        DynamicLibrary library = loadLibrary(c.name, own.string());
        fs::current_path(saved);
        if (std::string(c.loadedFrom) == "own") {
            ASSERT_TRUE(library);
            EXPECT_TRUE(samePath(loadedFrom(library), ownPath)) << loadedFrom(library);
        } else {
            EXPECT_FALSE(library);
        }
    }
    // Neither place has it: the system search still finds system libraries.
    EXPECT_TRUE(loadLibrary(kSystemLibrary, ""));
    EXPECT_FALSE(loadLibrary(kProbeName, ""));
    EXPECT_FALSE(loadLibrary("", "/"));
    // An absolute name is used as it is.
    TempDir temp;
    const std::string absolute = copyProbe(temp.path() / "abs");
    EXPECT_TRUE(loadLibrary(absolute, (temp.path() / "elsewhere").string()));
}

TEST(DynamicLibrary, TypedSymbolsAndMoveOnlyOwnership)
{
    TempDir temp;
    std::string path = copyProbe(temp.path());
    DynamicLibrary library = DynamicLibrary::openPath(path);
    ASSERT_TRUE(library);
    auto answer = library.symbol<AnswerFn>("probeAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(library.symbol<AnswerFn>("noSuchSymbol"), nullptr);
    EXPECT_EQ(findSymbol(library.handle(), "probeAnswer"), reinterpret_cast<void*>(answer));
    EXPECT_EQ(findSymbol(nullptr, "probeAnswer"), nullptr);

    DynamicLibrary moved = std::move(library);
    EXPECT_FALSE(library);  // NOLINT(bugprone-use-after-move): the moved-from state is the point
    EXPECT_EQ(library.symbol<AnswerFn>("probeAnswer"), nullptr);
    ASSERT_TRUE(moved);

    // Closing the last owner unloads the library: its state starts afresh.
    EXPECT_EQ(moved.symbol<AnswerFn>("probeLoads")(), 1);
    EXPECT_EQ(moved.symbol<AnswerFn>("probeLoads")(), 2);
    moved.reset();
    EXPECT_FALSE(moved);
    EXPECT_FALSE(stillLoaded(path));
    DynamicLibrary again = DynamicLibrary::openPath(path);
    EXPECT_EQ(again.symbol<AnswerFn>("probeLoads")(), 1);
}

TEST(ModulePath, NamesTheLibraryAsLoadedAndTheProgram)
{
    TempDir temp;
    std::string real = copyProbe(temp.path() / "real");
    std::string program = programPath();
    // Code of the program itself is attributed to the program.
    static int marker = 0;
    EXPECT_TRUE(samePath(modulePath(&marker), program)) << modulePath(&marker);
#ifdef _WIN32
    EXPECT_TRUE(program.ends_with("platform_test.exe")) << program;
    DynamicLibrary library = DynamicLibrary::openPath(real);
    ASSERT_TRUE(library);
    auto address = library.symbol<AddressFn>("probeAddress");
    EXPECT_TRUE(samePath(modulePath(address()), real)) << modulePath(address());
    EXPECT_TRUE(samePath(moduleDirectory(address()), (temp.path() / "real").string()));
#else
    EXPECT_EQ(program, fs::canonical("/proc/self/exe").string());
    fs::create_directories(temp.path() / "link");
    std::string linked = (temp.path() / "link" / kProbeName).string();
    fs::create_symlink(real, linked);

    // Loaded through the link, the module is named by the link, as Windows
    // would name the file it opened.
    DynamicLibrary library = DynamicLibrary::openPath(linked);
    ASSERT_TRUE(library);
    auto address = library.symbol<AddressFn>("probeAddress");
    EXPECT_EQ(modulePath(address()), linked);
    EXPECT_EQ(moduleDirectory(address()), (temp.path() / "link").string());
#endif
}

}  // namespace
}  // namespace netrov::platform
