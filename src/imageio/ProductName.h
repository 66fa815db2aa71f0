#pragma once
// The product's name and version as it appears in saved GIF comments and the layer clipboard format.

inline constexpr int ProductVersionMajor = 1;
inline constexpr int ProductVersionMinor = 56;
// Product name, one blank and "v%d.%.2d" of the version above.
inline constexpr const char ProductNameVersion[] = "Tavlo Generator v1.56";
