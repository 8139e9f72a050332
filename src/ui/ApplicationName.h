#pragma once

namespace custodia {

// The caption of the message boxes that no word names, the log-on messages among them.
inline constexpr char kApplicationName[] = "Custodia";

} // namespace custodia
