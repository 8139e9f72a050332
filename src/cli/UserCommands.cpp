#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/Output.h"
#include "cli/PasswordInput.h"
#include "cli/TextLimits.h"
#include "cli/TrailWarning.h"
#include "store/AccountService.h"
#include "store/PasswordFile.h"

#include <algorithm>
#include <limits>
#include <ostream>
#include <utility>

namespace custodia::cli {

namespace {

std::string UserNameOperand(const ParsedArguments& arguments, size_t index)
{
    const std::string name = StoredTextArgument("user name", arguments.Operand(index), limits::kUserName);
    if (name.empty())
        throw UsageError("user name is empty");
    return name;
}

int List(const ParsedArguments& arguments, CommandContext& context)
{
    // Output goes out in large pieces: thousands of users must not cost a write (or a flush) each.
    constexpr size_t kPieceSize = 64 * 1024;
    const std::string path = LoginPathOperand(arguments, 0);
    std::string lines;
    size_t listed = 0;
    // Problems with the file are found before the first user is listed, so nothing is printed then.
    const Status read = AccountService(NativePath(path)).ForEachUser([&](const UserRecord& user) {
        AppendFields(lines,
            { FromStored(user.userName), FromStored(user.fullName), std::to_string(user.groupNumber),
                FromStored(user.description), std::to_string(user.databaseMode), std::to_string(user.databaseMask) });
        ++listed;
        if (lines.size() >= kPieceSize) {
            context.out.write(lines.data(), static_cast<std::streamsize>(lines.size()));
            lines.clear();
        }
    });
    Require(read);
    context.out.write(lines.data(), static_cast<std::streamsize>(lines.size()));
    return listed == 0 ? kExitFailed : kExitSuccess;
}

// The values to save: the options given, the rest from the user being replaced or, for a new user, zero.
UserRecord UserToSave(const ParsedArguments& arguments, UserRecord user)
{
    if (const auto fullName = arguments.Value("--full-name"))
        user.fullName = StoredTextArgument("full name", *fullName, limits::kFullName);
    if (const auto description = arguments.Value("--description"))
        user.description = StoredTextArgument("description", *description, limits::kDescription);
    if (const auto group = arguments.Value("--group"))
        user.groupNumber = static_cast<uint8_t>(ParseNumber("group number", *group, 0, 255));
    if (const auto mode = arguments.Value("--database-mode"))
        user.databaseMode = static_cast<uint8_t>(ParseNumber("database mode", *mode, 0, 255));
    if (const auto mask = arguments.Value("--database-mask"))
        user.databaseMask = ParseNumber("database mask", *mask, 0, std::numeric_limits<uint32_t>::max());
    return user;
}

int Add(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const std::string name = UserNameOperand(arguments, 1);
    UserToSave(arguments, {}); // refuses bad options before the password is asked for
    const std::string password = RequirePassword(context);
    CheckPassword(password);
    if (password.empty())
        WriteError(context.err, "warning: " + arguments.Operand(1) + " has an empty password and cannot log on");

    // The options change the stored user (the last of its name) inside the save's own exclusive open,
    // so that another program's change to the same user in between is kept. A missing file is created.
    Require(AccountService(NativePath(path), CommandTrail(context.err))
                .SaveUser(name, SaveMode::CreateOrReplace,
                    [&](UserEntry& entry) {
                        entry.user = UserToSave(arguments, entry.user);
                        entry.user.password = password;
                    }),
        "; nothing was changed");
    return kExitSuccess;
}

int Delete(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const std::string name = UserNameOperand(arguments, 1);
    // Every record of the name goes, whatever texts each carries (another program may have stored the
    // name twice), in one exclusive open that reads the file once.
    const std::vector<std::string> names { name };
    const Result<int> deleted = AccountService(NativePath(path), CommandTrail(context.err)).DeleteUsers(names);
    if (!deleted && deleted.Error().refusal == Failure::Refusal::NotFound)
        throw OperationFailed(arguments.Operand(1) + ": no such user");
    if (!deleted)
        throw OperationFailed(FailureMessage(deleted.Error(), "; nothing was changed"));
    return kExitSuccess;
}

int Check(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string& path = arguments.Operand(0);
    CheckText("login path", path, limits::kLoginPath);
    const std::string name = UserNameOperand(arguments, 1);
    const std::string password = RequirePassword(context);
    CheckText("password", password, limits::kPassword);

    const FoundUser found = PasswordFileStore(NativePath(path)).FindUser(name);
    if (!found.WasFound()) {
        WriteFields(context.out, { std::to_string(found.status) });
        return kExitFailed;
    }
    // Compared byte for byte, letter case included, as the log-on does.
    const bool match = found.entry.user.password == password;
    WriteFields(context.out, { match ? "ok" : "wrong password" });
    return match ? kExitSuccess : kExitFailed;
}

} // namespace

std::vector<Command> UserCommands()
{
    const char* password = "The password is the first line of standard input.\n";
    return {
        {
            "users",
            "list",
            "PATH",
            "list the users of a login path",
            "Prints one line per user, in file order: name, full name, group number, description, database\n"
            "mode, database mask (decimal). Exit status 1 if there is none.\n",
            { { "PATH" }, {}, {} },
            List,
        },
        {
            "users",
            "add",
            "PATH NAME [--full-name TEXT] [--description TEXT] [--group N] [--database-mode M] [--database-mask M]",
            "add a user, or replace the user of that name",
            std::string("Saves the user NAME into \"tessel.pwd\" (created when missing) with the password read from\n"
                        "standard input. Replacing an existing user keeps its office selection and, for options not\n"
                        "given, its values; a new user starts from empty texts and zeros. Limits: name 42 bytes,\n"
                        "full name, description and password 50; group 0..255; database mode 0..255 (0: the\n"
                        "current database path); database mask 0..4294967295 (bit i: database slot i + 1).\n"
                        "Passwords are printable ASCII characters; a missing password line is refused, and an empty\n"
                        "one gives a user who cannot log on (with a warning). Texts are stored in the suite's code\n"
                        "page, Windows-1252: a character it lacks is refused, and limits count its bytes.\n")
                + password,
            { { "PATH", "NAME" },
                { { "--full-name", true, false }, { "--description", true, false }, { "--group", true, false },
                    { "--database-mode", true, false }, { "--database-mask", true, false } },
                {} },
            Add,
        },
        {
            "users",
            "delete",
            "PATH NAME",
            "delete a user",
            "Deletes the user NAME and its office selection. Exit status 1 if there is no such user.\n",
            { { "PATH", "NAME" }, {}, {} },
            Delete,
        },
        {
            "users",
            "check",
            "PATH NAME",
            "check a user's password as the log-on does",
            std::string("Prints \"ok\" when the password matches, \"wrong password\" when it does not, or else the\n"
                        "status number of the look-up: 251 no \"tessel.pwd\", 252 wrong title, 253 header too\n"
                        "short, 254 file cannot be read, 255 no such user. Exit status 0 only for a match.\n")
                + password,
            { { "PATH", "NAME" }, {}, {} },
            Check,
        },
    };
}

} // namespace custodia::cli
