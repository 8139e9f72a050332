#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/Output.h"
#include "cli/PasswordInput.h"
#include "cli/TextLimits.h"
#include "platform/Platform.h"
#include "store/PasswordFile.h"
#include "store/SharedFile.h"
#include "store/UserStore.h"

#include <algorithm>
#include <limits>
#include <ostream>
#include <set>
#include <utility>

namespace custodia::cli {

namespace {

std::string PasswordFileOf(const std::string& loginPath)
{
    return JoinPath(loginPath, passwordfile::kFileName);
}

std::string UserNameOperand(const ParsedArguments& arguments, size_t index)
{
    const std::string name = StoredTextArgument("user name", arguments.Operand(index), limits::kUserName);
    if (name.empty())
        throw UsageError("user name is empty");
    return name;
}

// The user file must be there and whole before users are read or changed through it.
void RequireUserFile(const std::string& loginPath, const std::string& consequence = "")
{
    const std::string fileName = PasswordFileOf(loginPath);
    const FileCheck check = CheckPasswordFile(loginPath);
    if (!check.present)
        throw OperationFailed(fileName + ": no such file");
    if (check.damaged)
        throw OperationFailed(fileName + ": " + DescribeProblem(check) + consequence);
}

int List(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    RequireUserFile(path);
    const std::vector<UserEntry> users = UserStore().LoadUsers(path);
    for (const UserEntry& entry : users) {
        const UserRecord& user = entry.user;
        WriteFields(context.out,
            { FromStored(user.userName), FromStored(user.fullName), std::to_string(user.groupNumber),
                FromStored(user.description), std::to_string(user.databaseMode), std::to_string(user.databaseMask) });
    }
    return users.empty() ? kExitFailed : kExitSuccess;
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

    UserStore store;
    UserRecord existing;
    UserAccessRecord access;
    const bool present = FileExists(PasswordFileOf(path));
    if (present)
        RequireUserFile(path, "; nothing was changed");
    if (!present || store.FindUser(path, name, existing, access) != kUserFound) {
        existing = {};
        access = {};
    }
    const UserRecord user = UserToSave(arguments, existing);
    const int saved = store.SaveUser(path, name, user.fullName, user.description, password, user.groupNumber,
        user.databaseMode, user.databaseMask, access);
    if (saved != kUserSaved)
        throw OperationFailed(
            PasswordFileOf(path) + ": the user could not be saved" + OpenFailureCause(PasswordFileOf(path)));
    return kExitSuccess;
}

int Delete(const ParsedArguments& arguments, CommandContext&)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const std::string name = UserNameOperand(arguments, 1);
    RequireUserFile(path, "; nothing was changed");

    UserStore store;
    // A name stored twice may carry different texts; each record is deleted by its own texts.
    std::set<std::pair<std::string, std::string>> stored;
    for (const UserEntry& entry : store.LoadUsers(path))
        if (entry.user.userName == name)
            stored.emplace(entry.user.fullName, entry.user.description);
    if (stored.empty())
        throw OperationFailed(arguments.Operand(1) + ": no such user");
    for (const auto& [fullName, description] : stored)
        store.DeleteUser(path, name, fullName, description);

    UserRecord user;
    UserAccessRecord access;
    if (store.FindUser(path, name, user, access) != kNoSuchUser)
        throw OperationFailed(
            arguments.Operand(1) + ": the user could not be deleted" + OpenFailureCause(PasswordFileOf(path)));
    return kExitSuccess;
}

int Check(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string& path = arguments.Operand(0);
    CheckText("login path", path, limits::kLoginPath);
    const std::string name = UserNameOperand(arguments, 1);
    const std::string password = RequirePassword(context);
    CheckText("password", password, limits::kPassword);

    UserRecord user;
    UserAccessRecord access;
    const int status = UserStore().FindUser(path, name, user, access);
    if (status != kUserFound) {
        WriteFields(context.out, { std::to_string(status) });
        return kExitFailed;
    }
    // Compared byte for byte, letter case included, as the log-on does.
    const bool match = user.password == password;
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
