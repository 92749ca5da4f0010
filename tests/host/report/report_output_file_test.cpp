// The one writer of output files: atomic replacement, links followed to their target,
// the target's permissions kept, the reason of a failure named, nothing left behind,
// and outputs that would overwrite an input or each other refused.
#include "report/output_file.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace kest_host::report {
namespace {

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

class output_file : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string templ = ::testing::TempDir() + "output_file_XXXXXX";
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ;
    }
    void TearDown() override {
        for (const auto& name : names()) {
            std::remove((dir_ + "/" + name).c_str());
        }
        ::rmdir(dir_.c_str());
    }
    std::string at(const std::string& name) const { return dir_ + "/" + name; }
    // Every name in the folder, hidden ones included.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        DIR* d = ::opendir(dir_.c_str());
        while (d != nullptr) {
            const dirent* e = ::readdir(d);
            if (e == nullptr) {
                break;
            }
            const std::string n = e->d_name;
            if (n != "." && n != "..") {
                out.push_back(n);
            }
        }
        if (d != nullptr) {
            ::closedir(d);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    static mode_t mode_of(const std::string& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_mode & 07777;
    }
    std::string dir_;
};

TEST_F(output_file, a_failed_write_keeps_the_old_file_names_the_reason_and_leaves_nothing) {
    std::ofstream(at("r.html")) << "old report";
    std::string error;
    EXPECT_FALSE(replace_output_file(
        at("r.html"),
        [](const std::string& temporary) {
            std::ofstream(temporary) << "<html><bo";  // cut short by a full disk
            errno = ENOSPC;
            return false;
        },
        error));
    EXPECT_EQ(error, "cannot write " + at("r.html") + ": No space left on device");
    EXPECT_EQ(read_all(at("r.html")), "old report");
    EXPECT_EQ(names(), std::vector<std::string>{"r.html"}) << "no temporary file is left";
}

TEST_F(output_file, replaces_a_file_whole_with_its_permissions) {
    std::ofstream(at("r.xml")) << "old";
    ::chmod(at("r.xml").c_str(), 0640);
    std::string error;
    ASSERT_TRUE(write_output_file(at("r.xml"), "new content", error)) << error;
    EXPECT_EQ(read_all(at("r.xml")), "new content");
    EXPECT_EQ(mode_of(at("r.xml")), 0640u);
    EXPECT_EQ(names(), std::vector<std::string>{"r.xml"});
}

TEST_F(output_file, a_signal_during_the_write_waits_until_the_file_is_whole) {
    std::ofstream(at("r.html")) << "old report";
    const std::string target = at("r.html");
    EXPECT_EXIT(
        {
            std::string error;
            replace_output_file(
                target,
                [](const std::string& temporary) {
                    std::ofstream(temporary) << "first half";
                    ::kill(::getpid(), SIGTERM);
                    std::ofstream(temporary, std::ios::app) << ", second half";
                    return true;
                },
                error);
            std::_Exit(0);  // not reached: the held signal ends the program
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(read_all(target), "first half, second half");
    EXPECT_EQ(names(), std::vector<std::string>{"r.html"});
}

TEST_F(output_file, a_link_is_written_through_to_its_target_and_stays_a_link) {
    std::ofstream(at("target.html")) << "old";
    ::chmod(at("target.html").c_str(), 0600);
    ASSERT_EQ(::symlink("target.html", at("link.html").c_str()), 0);
    ASSERT_EQ(::symlink("link.html", at("link2.html").c_str()), 0);
    std::string error;
    ASSERT_TRUE(write_output_file(at("link2.html"), "new", error)) << error;
    EXPECT_EQ(read_all(at("target.html")), "new");
    EXPECT_EQ(mode_of(at("target.html")), 0600u);
    struct stat info {};
    ASSERT_EQ(::lstat(at("link.html").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(final_target(at("link2.html")), at("target.html"));

    // A dangling link makes its target; the probe before the run leaves nothing.
    ASSERT_EQ(::symlink("made.html", at("dangling.html").c_str()), 0);
    ASSERT_TRUE(probe_output_path(at("dangling.html"), error)) << error;
    EXPECT_EQ(names(), (std::vector<std::string>{"dangling.html", "link.html", "link2.html",
                                                 "target.html"}));
    ASSERT_TRUE(write_output_file(at("dangling.html"), "made", error)) << error;
    EXPECT_EQ(read_all(at("made.html")), "made");
    ASSERT_EQ(::lstat(at("dangling.html").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST_F(output_file, refuses_folders_fifos_and_devices_before_and_at_the_write) {
    ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
    std::string error;
    EXPECT_FALSE(probe_output_path(at("fifo"), error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(write_output_file(at("fifo"), "x", error));
    EXPECT_FALSE(probe_output_path("/dev/full", error));
    EXPECT_FALSE(probe_output_path(dir_, error));
    EXPECT_EQ(error, "cannot write " + dir_ + ": Is a directory");
    EXPECT_FALSE(probe_output_path("/nonexistent/dir/out.xml", error));
    EXPECT_EQ(error, "cannot write /nonexistent/dir/out.xml: No such file or directory");
    EXPECT_TRUE(probe_output_path("-", error));
    EXPECT_TRUE(probe_output_path("/dev/stdout", error));
}

TEST_F(output_file, outputs_that_are_inputs_or_each_other_are_refused) {
    std::ofstream(at("plugin.bin")) << "code";
    ASSERT_EQ(::symlink("plugin.bin", at("report.xml").c_str()), 0);
    std::vector<std::string> errors;
    EXPECT_FALSE(outputs_are_distinct({{"--junit", at("report.xml")}}, {at("plugin.bin")}, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("which the run reads"), std::string::npos) << errors[0];

    errors.clear();
    EXPECT_FALSE(outputs_are_distinct(
        {{"--junit", at("x.out")},
         {"--report", dir_ + "/../" + dir_.substr(dir_.rfind('/') + 1) + "/x.out"}},
        {}, errors));
    EXPECT_EQ(errors.size(), 1u) << "a file not made yet, by two names";
    errors.clear();
    EXPECT_FALSE(outputs_are_distinct({{"--junit", "-"}, {"--report", "/dev/stdout"}}, {}, errors));
    errors.clear();
    EXPECT_FALSE(outputs_are_distinct({{"--junit", "sc/a.scn"}}, {}, errors));
    EXPECT_NE(errors.at(0).find("names a scenario file"), std::string::npos);
    errors.clear();
    EXPECT_TRUE(outputs_are_distinct({{"record", "sc/a.scn"}}, {}, errors, false));
    EXPECT_TRUE(
        outputs_are_distinct({{"--junit", at("a.xml")}, {"--report", at("a.html")}, {"--x", ""}},
                             {at("plugin.bin")}, errors));
    EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace kest_host::report
