#pragma once

#include "platform/Result.h"
#include "store/UserEntry.h"

#include <functional>
#include <string>
#include <vector>

namespace custodia {

// Many changes of "tessel.pwd" at once. A save replaces the last user record of its name and the last
// access record of the name in place, or adds the user (into freed slots, else at the end); a delete
// frees every record of the name.
struct UserBatch {
    std::vector<UserEntry> saves;
    std::vector<std::string> deletes;
};

// Decides the batch on the users the held file holds (in file order, as LoadUsers gives them), or
// refuses it; nothing is written then. For a missing file it is asked once more, on no users, before
// the file is made, and a refusal then leaves no file behind.
using UserBatchDecision = std::function<Result<UserBatch>(const std::vector<UserEntry>& stored)>;

} // namespace custodia
