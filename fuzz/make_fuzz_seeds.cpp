// Writes the seed corpus of every fuzz target with our own writers, or from files of the checkout:
//   make_fuzz_seeds CORPUS_FOLDER SOURCE_FOLDER
#include "platform/Platform.h"
#include "store/AuditTrail.h"
#include "store/DatabaseListStore.h"
#include "store/OfficeNameList.h"
#include "store/PasswordFileStore.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/RecordJournal.h"
#include "words/LanguageFile.h"
#include "words/WordFileWriter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

using namespace custodia;

namespace {

using SeedMaker = std::function<void(const std::string& folder)>;

std::string g_sourceTop; // the checkout, for seeds taken from its files

void MakeFolder(const std::string& path)
{
    ::mkdir(path.c_str(), 0755);
}

// Copies of the record files of a folder with the checksum and the stored length zeroed, which the
// targets read as "seal this": mutations of these reach the records behind the check.
void AddUnsealedCopies(const std::string& folder)
{
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.size() < recordfile::kFirstRecordOffset)
            continue;
        std::fill_n(bytes.begin() + recordfile::kChecksumOffset, 4, 0);
        std::fill_n(bytes.begin() + recordfile::kStoredLengthOffset, 4, 0);
        std::ofstream(entry.path().string() + ".unsealed", std::ios::binary).write(bytes.data(), bytes.size());
    }
}

void RecordFileSeeds(const std::string& folder)
{
    RecordFile records;
    const std::vector<unsigned char> path(255, 'p'), group(1200, 1), databases(19296, 0);
    records.WriteRecord(folder + "/custo.cfg", 87, 0, path, false);
    records.WriteRecord(folder + "/custo.cfg", 87, 0, path, false);
    records.WriteRecord(folder + "/setup.prf", 82, 3, group, true);
    records.WriteRecord(folder + "/setup.prf", 82, 4, group, true);
    records.WriteRecord(folder + "/tessel.dbs", 87, 1, databases, true);
    AddUnsealedCopies(folder);
}

void PasswordFileSeeds(const std::string& folder)
{
    const PasswordFileStore store { NativePath(folder) };
    static_cast<void>(store.Create());
    UserAccessRecord access;
    access.SetOfficeSelectionEnabled(1, true);
    access.SetOfficeAllowed(1, 4, true);
    const auto save = [&](const UserEntry& user) {
        static_cast<void>(
            store.SaveUser(user.user.userName, SaveMode::CreateOrReplace, [&](UserEntry& entry) { entry = user; }));
    };
    save(UserEntry { UserRecord { 0, 0, "supervisor", "Chief", "all rights", "secret", 1 }, access });
    save(UserEntry { UserRecord { 1, 6, "operator", "Op", "", "pw", 2 }, {} });
    static_cast<void>(store.DeleteUser("operator", "Op", ""));
}

void WordFileSeeds(const std::string& folder)
{
    WordFileWriter writer("seed");
    for (const char* text : { "&File", "Open<TAB>Ctrl+O", "Line<CR>break", "", "Users" })
        writer.Add(text, text);
    writer.Write(folder + "/seed.eng");
}

void LanguageFileSeeds(const std::string& folder)
{
    WordFileWriter::WriteLanguageFile(folder + "/default.lan", Language { "Deutsch", "ger" });
}

void OfficeNameSeeds(const std::string& folder)
{
    OfficeNameList offices(folder);
    offices.SetOffice(0, "1", "Head office");
    offices.SetOffice(42, "42", "Harbour");
    offices.Save();
    AddUnsealedCopies(folder);
}

void LoginPathSeeds(const std::string& folder)
{
    const std::string loginPath = folder + "/login";
    MakeFolder(loginPath);
    const ProfileStore profiles { NativePath(loginPath) };
    // The console's own right granted, every other denied.
    const auto consoleRight = [](int program, std::span<unsigned char> rights) {
        std::fill(rights.begin(), rights.end(), 0);
        rights[0] = program == kProgramCustodia ? 1 : 0;
    };
    static_cast<void>(profiles.ChangeGroup(1, "Supervisors", SaveMode::CreateOrReplace, consoleRight));
    static_cast<void>(profiles.ChangeGroup(2, "Operators", SaveMode::CreateOrReplace, consoleRight));
    DatabaseList list;
    list.SetPath(0, "/srv/loggers/north");
    list.SetDescription(0, "North");
    static_cast<void>(DatabaseListStore(NativePath(loginPath)).Save(list));
    std::rename((loginPath + "/setup.prf").c_str(), (folder + "/setup.prf").c_str());
    std::rename((loginPath + "/tessel.dbs").c_str(), (folder + "/tessel.dbs").c_str());
    std::filesystem::remove_all(loginPath);
    AddUnsealedCopies(folder);
}

// Journals of a change of one file and of a change of several, in the first layouts and as the writers
// make them now (with their writes), and one with its checksum zeroed, which the target reads as "fill
// it in".
void JournalSeeds(const std::string& folder)
{
    const std::vector<unsigned char> image(300, 0x41);
    RecordJournal single(image.size());
    single.Keep(image, 0, 8);
    single.Keep(image, 35, 120);
    RecordJournal part(image.size());
    part.SetChangeSet("setup.prf-changeset-0123456789abcdef");
    part.Keep(image, 280, 40); // cut at the file's end
    RecordJournal withWrites(image.size());
    withWrites.Keep(image, 0, 12);
    withWrites.RecordWrites(image, image.size() + 40);
    withWrites.AddWrite(image.size(), std::vector<unsigned char>(40, 0x52));
    withWrites.AddWrite(0, std::vector<unsigned char>(12, 0x07));
    RecordJournal partWithWrites = withWrites;
    partWithWrites.SetChangeSet("setup.prf-changeset-0123456789abcdef");
    std::vector<unsigned char> unsealed = single.Encode();
    std::fill_n(unsealed.begin() + recordjournal::kChecksumOffset, 4, 0);
    WriteNewFile(folder + "/single", single.Encode(), 0644);
    WriteNewFile(folder + "/part", part.Encode(), 0644);
    WriteNewFile(folder + "/unsealed", unsealed, 0644);
    WriteNewFile(folder + "/writes", withWrites.Encode(), 0644);
    WriteNewFile(folder + "/part-writes", partWithWrites.Encode(), 0644);
}

// Every record file the store writes, for the target that reads them all in memory.
void RecordImageSeeds(const std::string& folder)
{
    const std::pair<const char*, SeedMaker> kinds[]
        = { { "/files", RecordFileSeeds }, { "/offices", OfficeNameSeeds }, { "/login", LoginPathSeeds } };
    for (const auto& [name, make] : kinds) {
        MakeFolder(folder + name);
        make(folder + name);
    }
}

// The installed data files of the checkout, with small texts made here for the odd cases.
void CopyInstalledData(const std::string& name, const std::string& to)
{
    const auto data = std::filesystem::path(g_sourceTop) / "data" / name;
    std::error_code error; // a missing copy only leaves the made seeds
    std::filesystem::copy_file(data, to, std::filesystem::copy_options::overwrite_existing, error);
}

void WriteSeed(const std::string& path, const std::string& text)
{
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
    }
}

void HelpFileSeeds(const std::string& folder)
{
    CopyInstalledData("Custodia Help.eng", folder + "/installed");
    WriteSeed(folder + "/tags", "<BRENIC HELP FILE>\r\n<T>Users\r\n<B>bold <I>both\r\n<BI>x<BI>\r\nplain. text\r\n<I>");
    WriteSeed(folder + "/long", "<BRENIC HELP FILE>\n<T>" + std::string(1200, 'a') + "\xC3\xA4\n\xFF\x80\n");
}

void SupportTextSeeds(const std::string& folder)
{
    CopyInstalledData("techsprt.txt", folder + "/installed");
    WriteSeed(folder + "/lines", "a\r\nb\rc\n\n" + std::string(300, 'x') + "\n");
}

// Lists of users as spreadsheets and custodiactl write them.
void DelimitedTextSeeds(const std::string& folder)
{
    WriteSeed(folder + "/csv",
        "\xEF\xBB\xBFname,full name,group\r\nann,\"Ann, Lab\",1\r\n\"two\r\nlines\",\"say \"\"hi\"\"\",\r\n");
    WriteSeed(folder + "/tsv", "ann\tAnn\\tLab\t1\nbob\tB\\x07\\nx\t\r\n");
}

// A list of users and one of groups as custodiactl exports them, with a password column added.
void AccountListSeeds(const std::string& folder)
{
    WriteSeed(folder + "/users",
        "name,full name,description,group,group name,database mode,database mask,offices 1,offices current,"
        "password\r\nanna,\"Berg, Anna\",day,7,Readers,1,1,\"1-3,17\",none,pw\r\nbert,,,0,,0,0,,,x\r\n");
    WriteSeed(folder + "/groups",
        "group\tname\tprogram\trights\n7\tReaders\tsetup\tRun Setup; #44\n7\tReaders\tview\tPrint\n");
}

// A trail of a few changes, written by our own writer.
void AuditTrailSeeds(const std::string& folder)
{
    std::string text;
    std::string previous = audittrail::kChainStart;
    for (int i = 0; i < 3; ++i) {
        TrailEntry entry;
        StampTrailEntry(entry, 1765417603 + i);
        entry.actor = { "plant-pc", "root", i == 0 ? "" : "ann", "console" };
        entry.action = i == 2 ? "right granted" : "user changed";
        entry.object = "user ann\twith a tab";
        entry.changes = { { "description", "Lab", "Office" } };
        text += FormatTrailLine(entry, previous);
        previous = entry.hash;
    }
    WriteSeed(folder + "/three", text);
}

// The pictures written by another tool for the bitmap tests, and our installed ones.
void BitmapSeeds(const std::string& folder)
{
    const std::string sources[] = { "tests/parsers/data", "data" };
    for (const std::string& source : sources) {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(g_sourceTop + "/" + source, ignored))
            if (entry.path().extension() == ".bmp")
                std::filesystem::copy_file(entry.path(), folder + "/" + entry.path().filename().string(), ignored);
    }
}

const std::map<std::string, SeedMaker>& SeedMakers()
{
    static const std::map<std::string, SeedMaker> makers = {
        { "record_file_fuzz", RecordFileSeeds },
        { "password_file_fuzz", PasswordFileSeeds },
        { "password_records_fuzz", PasswordFileSeeds },
        { "password_image_fuzz", PasswordFileSeeds },
        { "record_image_fuzz", RecordImageSeeds },
        { "journal_fuzz", JournalSeeds },
        { "word_file_fuzz", WordFileSeeds },
        { "language_file_fuzz", LanguageFileSeeds },
        { "office_names_fuzz", OfficeNameSeeds },
        { "login_path_fuzz", LoginPathSeeds },
        { "help_file_fuzz", HelpFileSeeds },
        { "support_text_fuzz", SupportTextSeeds },
        { "delimited_text_fuzz", DelimitedTextSeeds },
        { "account_list_fuzz", AccountListSeeds },
        { "audit_trail_fuzz", AuditTrailSeeds },
        { "bitmap_file_fuzz", BitmapSeeds },
    };
    return makers;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_FOLDER SOURCE_FOLDER\n");
        return 2;
    }
    g_sourceTop = argv[2];
    SetSleepFunction([](int) {});
    const std::string top = argv[1];
    MakeFolder(top);
    for (const auto& [target, make] : SeedMakers()) {
        const std::string folder = top + "/" + target;
        MakeFolder(folder);
        make(folder);
    }
    return 0;
}
