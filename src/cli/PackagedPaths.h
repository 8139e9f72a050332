#pragma once

#include <string>
#include <vector>

namespace custodia::cli {

// A packaged custodiactl runs the paths commands in the user's folder, where the console keeps its
// list. A relative login path the caller typed means a folder under the caller's current folder, so it
// is anchored there first; otherwise the list would name a folder under the user's folder instead.
// The arguments are custodiactl's, command words first; only "paths add" and "paths remove" change.
void AnchorRelativeLoginPath(std::vector<std::string>& arguments, const std::string& callerFolder);

} // namespace custodia::cli
