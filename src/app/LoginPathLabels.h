#pragma once

#include "platform/NativePath.h"

#include <QString>

#include <string>
#include <vector>

namespace custodia {

// Short names for the tree: each login path by its last folder name, with as many parent folders put
// in front as it takes to tell it from the others ("site1/Head Office" beside "site2/Head Office").
// A path that cannot be told apart by its folders keeps its full text.
std::vector<QString> LoginPathLabels(const std::vector<NativePath>& paths);

// Why a login path's folder cannot be used, as the tree shows it greyed.
enum class LoginPathProblem { None, Missing, NotAFolder, Unreadable };
LoginPathProblem CheckLoginPathFolder(const NativePath& path);

} // namespace custodia
