#pragma once
// The little vector and colour arithmetic the path tracer needs, in double for positions and
// directions and float for colours.

#include <array>
#include <cmath>

struct TVec {
    double x = 0, y = 0, z = 0;
};
inline TVec operator+(TVec a, TVec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline TVec operator-(TVec a, TVec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline TVec operator*(TVec a, double k) { return {a.x * k, a.y * k, a.z * k}; }
inline TVec operator-(TVec a) { return {-a.x, -a.y, -a.z}; }
inline double Dot(TVec a, TVec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline TVec Cross(TVec a, TVec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double Length(TVec a) { return std::sqrt(Dot(a, a)); }
inline TVec Normalized(TVec a) { return a * (1 / Length(a)); }
inline TVec ToVec(const std::array<double, 3>& a) { return {a[0], a[1], a[2]}; }

// An orthonormal frame around a unit normal (Duff et al.), for local shading coordinates.
struct TFrame {
    TVec T, B, N;
    explicit TFrame(TVec n) : N(n)
    {
        const double sign = std::copysign(1.0, n.z);
        const double a = -1 / (sign + n.z), b = n.x * n.y * a;
        T = {1 + sign * n.x * n.x * a, sign * b, -sign * n.x};
        B = {b, sign + n.y * n.y * a, -n.y};
    }
    TVec ToLocal(TVec v) const { return {Dot(v, T), Dot(v, B), Dot(v, N)}; }
    TVec ToWorld(TVec v) const { return T * v.x + B * v.y + N * v.z; }
};

struct TRgb {
    float r = 0, g = 0, b = 0;
};
inline TRgb operator+(TRgb a, TRgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline TRgb operator*(TRgb a, TRgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline TRgb operator*(TRgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline TRgb& operator+=(TRgb& a, TRgb b) { return a = a + b; }
inline float Luminance(TRgb c) { return 0.2126f * c.r + 0.7152f * c.g + 0.0722f * c.b; }
inline float MaxOf(TRgb c) { return std::fmax(c.r, std::fmax(c.g, c.b)); }
inline TRgb ToRgb(const std::array<float, 3>& a) { return {a[0], a[1], a[2]}; }
