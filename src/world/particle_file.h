#pragma once
// The particle description file (".kpr") as plain data.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "math/vec3.h"

namespace tv {

struct ParticleFile {
    int32_t Count = 0;                   // particles StartParticles creates (not bounded by the file's size)
    std::array<float, 4> Colour{};       // r, g, b, a
    std::array<float, 4> ColourDelta{};  // per second
    Vec3 EmitCentre;                     // relative to the system's origin
    Vec3 TargetCentre;
    float Speed = 0.0f;  // world units per second
    float StartSize = 0.0f;
    float SizeDelta = 0.0f;  // per second
    float EmitSpread = 0.0f;
    float TargetSpread = 0.0f;
    float Period = 0.0f;  // seconds
    uint8_t BlendMode = 0;
    std::string TextureName;  // file name under "k_resurs\\particles\\texture\\"
};

// Reads a description over `into`: fields the file lacks (a short file) keep their values.
void ReadParticlesInto(ParticleFile& into, const std::vector<uint8_t>& bytes, const std::string& fileName);
// Reads a description into a zeroed record. Never raises for a short file.
ParticleFile ReadParticles(const std::vector<uint8_t>& bytes, const std::string& fileName);
ParticleFile ReadParticlesFile(const std::string& path);  // raises DataError if unreadable

std::vector<uint8_t> WriteParticles(const ParticleFile& particles);

// Culling radius: the largest of |TargetCentre - EmitCentre|, EmitSpread and TargetSpread.
float ParticleRadius(const ParticleFile& particles);

}  // namespace tv
