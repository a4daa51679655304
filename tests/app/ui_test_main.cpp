// Runs the desktop program's QTest classes in a private home: all of them, or the one named first.
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include <QApplication>
#include <QTest>

#include "background_reads.h"
#include "ui_test_support.h"

namespace netrov::test {

namespace {
std::string& root()
{
    static std::string path;
    return path;
}
}  // namespace

std::string testRoot() { return root(); }

}  // namespace netrov::test

int main(int argc, char** argv)
{
    // Every store the program touches must live below a directory of our own
    // before Qt reads the environment.
    char pattern[] = "/tmp/netrov-ui-test-XXXXXX";
    if (!mkdtemp(pattern)) return 2;
    netrov::test::root() = pattern;
    const std::string home = std::string(pattern) + "/home";
    std::filesystem::create_directories(home + "/.config");
    std::filesystem::create_directories(netrov::test::systemConfigDir());
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", netrov::test::systemConfigDir().c_str(), 1);
    setenv("TMPDIR", pattern, 1);
    const std::string runtime = std::string(pattern) + "/runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    QApplication application(argc, argv);
    Q_INIT_RESOURCE(netrov_ui);

    std::vector<std::string> names;
    std::vector<char*> qtArgs{argv[0]};
    if (argc > 1 && argv[1][0] != '-') {
        names.push_back(argv[1]);
        for (int i = 2; i < argc; ++i) qtArgs.push_back(argv[i]);
    } else {
        for (const auto& [name, factory] : netrov::test::testRegistry()) names.push_back(name);
        for (int i = 1; i < argc; ++i) qtArgs.push_back(argv[i]);
    }

    int failures = 0;
    for (const std::string& name : names) {
        const auto found = netrov::test::testRegistry().find(name);
        if (found == netrov::test::testRegistry().end()) {
            std::cerr << "no test class " << name << "\n";
            return 2;
        }
        std::unique_ptr<QObject> test = found->second();
        failures += QTest::qExec(test.get(), static_cast<int>(qtArgs.size()), qtArgs.data());
    }
    // Reads the tests abandoned end by themselves (their devices are fakes or
    // time out): they finish before the process's statics go.
    if (!netrov::core::waitForReads(std::chrono::seconds(90))) {
        std::cerr << "background reads still running at the end\n";
        ++failures;
    }
    std::filesystem::remove_all(pattern);
    return failures == 0 ? 0 : 1;
}
