#include "support/json.hpp"

#include "test_environment.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>

using checker::JsonPtr;
using test::thrown_message;

namespace {

// Lets writes of this process stop at a size limit, so that a dump fails part-way as on a full
// disk. Windows has no such limit, and the other way to stop writes there, a byte-range lock held
// by another handle, is not enforced by Wine; so this failure is provoked on Linux only.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_handler_);
    }

private:
    rlimit saved_{};
    void (*previous_handler_)(int) = nullptr;
};

TEST(JsonFilePosix, DumpFailingPartWayKeepsTheOldFile) {
    test::TempDir dir;
    const std::string path = dir.file("doc.json");
    const std::string old_content = R"({"version_number": 1})";
    test::write_file(path, old_content);
    const JsonPtr doc = checker::create_json_object();
    checker::set_json_string(doc, "padding", std::string(64 * 1024, 'x'));
    std::string message;
    {
        FileSizeLimit limit(4096);
        message = thrown_message([&] { checker::dump_json_file(doc, path); });
    }
    EXPECT_EQ(message,
              "Error dumping JSON: ['write' error: [File too large], filepath: [" + path + "]]");
    EXPECT_EQ(test::read_file(path), old_content);
    EXPECT_EQ(test::list_directory(dir.path()), "doc.json") << "no temporary file is left";
}

} // namespace
