// The names under which the automation object is found on the session bus.
#pragma once

namespace automation {

inline constexpr char kServiceName[] = "Kuvora.Tarnel";
inline constexpr char kObjectPath[] = "/Kuvora/Tarnel";
inline constexpr char kInterfaceName[] = "Kuvora.ITarnel";

}  // namespace automation
