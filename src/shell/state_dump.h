#pragma once
// The game's state as a replay compares it: a snapshot of what decides how the game goes on
// (time, kills, the turret, every aircraft, the pools' sizes, the generator), its 64-bit hash,
// and the one JSON object --dump-state writes. Two runs that agree here agree on everything a
// player could see change.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "math/vec3.h"

namespace tv {

struct Game;

struct TurretSnapshot {
    float yaw = 0.0f, pitch = 0.0f, life = 0.0f;  // degrees, degrees, hit points
    int32_t shells = 0;
    float laserPower = 0.0f;  // 0..1
    uint8_t weapon = 0;       // 1 cannon, 2 laser
    uint8_t laserOn = 0;
};

struct AircraftSnapshot {
    int32_t kind = 0;   // 1..4
    int32_t model = 0;  // index into the aircraft models
    Vec3 position;
    float heading = 0.0f, pitch = 0.0f, roll = 0.0f;  // degrees
    float speed = 0.0f;                               // units per ms
    float hitPoints = 0.0f;
    uint8_t state = 0, prevState = 0;
    Vec3 waypoint;
    float reload = 0.0f;
};

struct GameStateSnapshot {
    int64_t frame = 0;  // frames run so far
    uint32_t tick = 0;  // the clock's tick count at the last frame (ms)
    int32_t kills = 0;
    std::optional<TurretSnapshot> turret;  // absent until the turret's start-up step
    std::vector<AircraftSnapshot> aircraft;  // live aircraft in list order
    int32_t turretShells = 0;   // shells flying or bursting
    int32_t aircraftShots = 0;  // likewise for the aircraft's shots
    int32_t fragments = 0;
    std::vector<int32_t> particles;  // live particles of each smoke system, in creation order
    uint32_t randomSeed = 0;
};

// What the game holds now; `frame` is the main loop's count of frames run.
GameStateSnapshot TakeSnapshot(const Game& game, int64_t frame);

// 64-bit FNV-1a over every value's bytes (little-endian, floats by their bit patterns) in the
// order the snapshot declares them, list lengths before list items and a presence byte before
// the turret: equal exactly when the snapshots are bit for bit equal, short of a collision.
uint64_t StateHash(const GameStateSnapshot& s);
// The hash as 16 lower-case hex digits (inline: the recordings' checkpoints use it too).
inline std::string HashHex(uint64_t hash) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(hash));
    return buf;
}

// One JSON object, one line: frame, tick, kills, turret (null when absent), aircraft,
// turret_shells, aircraft_shots, fragments, particles, random_seed and state_hash (hex string).
// Floats are written with enough digits to read back the same float; a NaN or an infinity,
// which JSON cannot hold, as null.
std::string StateJson(const GameStateSnapshot& s);

}  // namespace tv
