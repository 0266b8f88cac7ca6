// Output files on POSIX: a temporary file of its own beside the output,
// renamed into place on commit, removed on failure, on destruction and when a
// terminating signal ends the process; an output that appeared meanwhile is
// replaced only when asked.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tools/velmora/Files.h"

namespace {

class OutputFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/velmora-output-file-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override {
        for (const std::string& name : names()) unlink((folder + "/" + name).c_str());
        rmdir(folder.c_str());
    }
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        if (DIR* d = opendir(folder.c_str())) {
            while (dirent* e = readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") found.push_back(e->d_name);
            closedir(d);
        }
        return found;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(folder + "/" + name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void put(const std::string& name, const std::string& text) const { std::ofstream(folder + "/" + name) << text; }
    static void writeText(const cli::OutputFile& out, const std::string& text) {
        ASSERT_EQ(write(out.descriptor(), text.data(), text.size()), ssize_t(text.size()));
    }
    std::string folder;
};

}  // namespace

TEST_F(OutputFileTest, TheTemporaryFileIsBesideTheOutputUnderAShortNameUntilCommitted) {
    std::string name(250, 'n');  // a legal name that leaves no room for a longer temporary one
    name += ".png";
    cli::OutputFile out;
    std::string error;
    ASSERT_TRUE(out.create(folder + "/" + name, false, &error)) << error;
    writeText(out, "pixels");
    std::vector<std::string> during = names();
    ASSERT_EQ(during.size(), 1u);
    EXPECT_EQ(during[0][0], '.');
    EXPECT_LE(during[0].size(), 32u);
    ASSERT_TRUE(out.commit(&error)) << error;
    EXPECT_EQ(names(), std::vector<std::string>{name});
    EXPECT_EQ(read(name), "pixels");
}

TEST_F(OutputFileTest, AFileThatAppearedMeanwhileIsKeptUnlessOverwriteWasAsked) {
    cli::OutputFile out;
    std::string error;
    ASSERT_TRUE(out.create(folder + "/out.png", false, &error)) << error;
    writeText(out, "new");
    put("out.png", "someone else's");
    EXPECT_FALSE(out.commit(&error));
    EXPECT_NE(error.find("out.png: already exists"), std::string::npos) << error;
    EXPECT_EQ(read("out.png"), "someone else's");
    EXPECT_EQ(names(), std::vector<std::string>{"out.png"});  // no temporary file left

    // Asked to overwrite: replaced, with the replaced file's permissions.
    chmod((folder + "/out.png").c_str(), 0640);
    cli::OutputFile again;
    ASSERT_TRUE(again.create(folder + "/out.png", true, &error)) << error;
    writeText(again, "new");
    ASSERT_TRUE(again.commit(&error)) << error;
    EXPECT_EQ(read("out.png"), "new");
    struct stat st;
    ASSERT_EQ(stat((folder + "/out.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(OutputFileTest, AnUncommittedOutputLeavesNothing) {
    {
        cli::OutputFile out;
        std::string error;
        ASSERT_TRUE(out.create(folder + "/out.png", false, &error)) << error;
        writeText(out, "half");
    }
    EXPECT_TRUE(names().empty());
    cli::OutputFile missing;
    std::string error;
    EXPECT_FALSE(missing.create(folder + "/nowhere/out.png", false, &error));
    EXPECT_NE(error.find("the folder " + folder + "/nowhere does not exist"), std::string::npos) << error;
    EXPECT_EQ(error.find(".tmp"), std::string::npos);
}

TEST_F(OutputFileTest, ATerminatingSignalRemovesTheTemporaryFile) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            cli::removeTemporaryFilesOnSignals();
            cli::OutputFile out;
            std::string error;
            if (!out.create(folder + "/out.png", false, &error)) _exit(3);
            if (write(out.descriptor(), "half", 4) != 4) _exit(4);
            raise(signal);
            _exit(5);  // not reached: the signal ends the process
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_TRUE(names().empty()) << names()[0];
    }
}
#endif
