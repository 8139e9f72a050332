#pragma once

#include "platform/File.h"
#include "platform/Result.h"

#include <string>

namespace custodia {

// The Failure of an open that finally failed, from that open's own error: nothing is opened again to
// learn why.
Failure OpenFailure(std::string operation, const std::string& fileName, const OpenError& error);

// A Failure of one of our own checks, with its words for people.
Failure Refused(Failure::Refusal refusal, std::string operation, const std::string& fileName, std::string detail);

// Whether the failed open found no file where one was looked for (its folder there or not).
bool IsMissingFile(const Failure& failure);

} // namespace custodia
