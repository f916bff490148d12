// The units of a streamed sample's fields, as the module reports them (UTF-8).
#pragma once

namespace sampleunits {

inline constexpr char angle[] = "deg";
inline constexpr char angularRate[] = "deg/s";
inline constexpr char acceleration[] = "m/s²";
inline constexpr char magneticField[] = "µT";
inline constexpr char temperature[] = "°C";

} // namespace sampleunits
