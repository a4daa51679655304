// promtool check metrics over a temporary file.
#include "promtool.h"

#include <sys/wait.h>

#include <cstdio>
#include <memory>

#include "temp_dir.h"

namespace netrov::test {

PromtoolResult promtoolCheckMetrics(const std::string& text)
{
    PromtoolResult result;
    if (std::system("command -v promtool >/dev/null 2>&1") != 0) return result;
    result.available = true;
    TempDir dir;
    const std::string path = dir.file("metrics.txt");
    writeFile(path, text);
    const std::string command = "promtool check metrics < '" + path + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return result;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) result.output.append(buffer, n);
    const int status = pclose(pipe.release());
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace netrov::test
