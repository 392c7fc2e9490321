/*
 * The command-test fixture (command_fixture.h).
 */
#include "command_fixture.h"
#include "sheet_page.h"
#include "support/server.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace kavdb::test {
namespace {

std::vector<char*> argvOf(std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

int exitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

/* The library keeps its configuration path for the life of the process, so every test of
 * one process shares one configuration folder, made once and removed at the end. */
class ConfigEnvironment : public ::testing::Environment {
  public:
    static const std::string& dir()
    {
        static const std::string path = [] {
            std::string d =
                (fs::temp_directory_path() / ("kavdb-app-config-" + std::to_string(getpid())))
                    .string();
            fs::create_directories(d);
            // The library writes its level file here, also for kavdbUnprivileged's runs.
            fs::permissions(d, fs::perms::all);
            fs::copy_file(KAVDB_INI_PATH, d + "/kadb.ini", fs::copy_options::overwrite_existing);
            setenv("KAVDB_CONFIG_DIR", d.c_str(), 1);
            return d;
        }();
        return path;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir(), ec);
    }
};

[[maybe_unused]] const auto* const kConfigEnvironment =
    ::testing::AddGlobalTestEnvironment(new ConfigEnvironment);

} // namespace

void CommandTest::SetUp()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = (fs::temp_directory_path() / ("kavdb-app-" + std::string(info->test_suite_name()) + "-" +
                                         info->name() + "-" + std::to_string(getpid())))
               .string();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ConfigEnvironment::dir();
    db_ = dir_ + "/catalogue.mdb";
    serverLink("catalogue.mdb"); // the same commands on a server, under its fixture
}

void CommandTest::TearDown()
{
    closeCatalogue();
    for (const std::string& uri : linked_)
        dropServerCatalogue(uri);
    if (!HasFailure())
        fs::remove_all(dir_);
}

std::vector<std::string> CommandTest::commandLine(const std::vector<std::string>& args) const
{
    std::vector<std::string> all = {KAVDB_EXE};
    if (std::find(args.begin(), args.end(), "--db") == args.end()) {
        all.push_back("--db");
        all.push_back(db_);
    }
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

RunResult CommandTest::kavdb(const std::vector<std::string>& args, bool asNobody)
{
    std::vector<std::string> all = commandLine(args);
    std::vector<char*> argv = argvOf(all);
    const std::string outPath = dir_ + "/stdout.txt";
    const std::string errPath = dir_ + "/stderr.txt";
    constexpr uid_t kNobody = 65534;
    // Between fork and exec only calls that are safe in a child of a threaded process.
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
            (asNobody && (setgid(kNobody) != 0 || setuid(kNobody) != 0)))
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return {exitCodeOf(status), readText(outPath), readText(errPath)};
}

RunResult CommandTest::kavdbExits(const std::vector<std::string>& args, int code,
                                  const std::string& says)
{
    RunResult result = kavdb(args);
    EXPECT_EQ(result.exitCode, code) << ::testing::PrintToString(args) << "\n" << result.err;
    EXPECT_THAT(result.err, HasSubstr(says)) << ::testing::PrintToString(args);
    return result;
}

RunResult CommandTest::kavdbUnprivileged(const std::vector<std::string>& args)
{
    const bool root = geteuid() == 0;
    if (root)
        fs::permissions(dir_, fs::perms::all);
    return kavdb(args, root);
}

RunResult CommandTest::kavdbOnTerminal(const std::vector<std::string>& args)
{
    std::vector<std::string> all = commandLine(args);
    std::vector<char*> argv = argvOf(all);
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    RunResult result;
    char chunk[4096];
    ssize_t n;
    while ((n = read(master, chunk, sizeof chunk)) > 0)
        result.out.append(chunk, static_cast<std::size_t>(n));
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = exitCodeOf(status);
    return result;
}

std::string CommandTest::copyPhotos(const std::string& folder,
                                    const std::vector<std::string>& names, const std::string& from)
{
    const std::string target = dir_ + "/" + folder;
    fs::create_directories(target);
    for (const std::string& name : names) {
        fs::copy_file(from + "/" + name, target + "/" + name);
        fs::permissions(target + "/" + name, fs::perms::owner_write, fs::perm_options::add);
    }
    return target;
}

std::string CommandTest::addPhotos(const std::string& folder, const std::vector<std::string>& names,
                                   const std::string& from)
{
    const std::string target = copyPhotos(folder, names, from);
    kavdbExits({"add", "--quiet", target}, 0);
    return target;
}

std::vector<std::string> CommandTest::samplePhotoNames()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(KAVDB_PHOTOS_DIR))
        if (entry.path().extension() == ".jpg")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

DBHandle* CommandTest::catalogue()
{
    if (!handle_) {
        EXPECT_EQ(KaAVDBOpen(db_.c_str(), &handle_), S_OK);
    }
    return handle_;
}

void CommandTest::closeCatalogue()
{
    if (handle_)
        KaAVDBClose(handle_);
    handle_ = nullptr;
}

void CommandTest::freshCatalogue()
{
    closeCatalogue();
    fs::remove(db_);
    serverLink("catalogue.mdb");
}

StoredImage CommandTest::imageOf(const std::string& path, DBHandle* db)
{
    ImageData data{};
    if (KaAVDBReadImage(db ? db : catalogue(), path.c_str(), &data) != S_OK)
        return {};
    char time[32] = {};
    SYSTEMTIMEtoSTR(data.UpdateTM, time);
    const auto* bytes = reinterpret_cast<const char*>(data.Thumbnail);
    const std::size_t size = ((data.ThumbnailWidth * 3 + 3) & ~3) * data.ThumbnailHeight;
    StoredImage image(data.Width, data.Height, data.Bitcount, data.ThumbnailWidth,
                      data.ThumbnailHeight, bytes ? std::string(bytes, size) : "", time);
    FreeImageData(&data);
    return image;
}

int32_t CommandTest::markOf(const std::string& path)
{
    int32_t mark = -1;
    EXPECT_EQ(KaAVDBGetCheck(catalogue(), path.c_str(), &mark), S_OK) << path;
    return mark;
}

std::optional<std::string> CommandTest::commentOf(const std::string& path)
{
    char text[4096] = {};
    if (KaAVDBReadComment(catalogue(), path.c_str(), text) != S_OK)
        return std::nullopt;
    return text;
}

std::string CommandTest::metaText(const std::string& path, const char* table, const char* item)
{
    int32_t size = 0;
    void* data = nullptr;
    if (KaAVDBReadFilePartially(catalogue(), path.c_str(), table, item, 0, &size, &data) != S_OK ||
        !data)
        return {};
    std::string text(static_cast<const char*>(data));
    FreeBuffer(data);
    return text;
}

std::string CommandTest::serverLink(const std::string& name, std::string* uri)
{
    const std::string link = dir_ + "/" + name;
    linked_.push_back(linkServerCatalogue(link));
    if (linked_.back().empty())
        linked_.pop_back();
    else if (uri)
        *uri = linked_.back();
    return link;
}

std::string fileTime(const std::string& path)
{
    SYSTEMTIME t{};
    EXPECT_NE(GetFileUpdateTM(path.c_str(), &t), -1) << path;
    char text[32] = {};
    SYSTEMTIMEtoSTR(t, text);
    return text;
}

std::vector<std::string> lines(const std::string& text, char end)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line, end);)
        out.push_back(line);
    return out;
}

} // namespace kavdb::test
