#include "shell/state_dump.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "shell/game.h"

namespace tv {
namespace {

class Fnv1a {
public:
    template <typename T>
    void Add(T value) {
        static_assert(std::is_arithmetic_v<T>);
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));  // x86-64 and every target we build for is little-endian
        for (unsigned char b : bytes) {
            hash_ ^= b;
            hash_ *= 0x100000001b3ull;
        }
    }
    void Add(const Vec3& v) {
        Add(v.x);
        Add(v.y);
        Add(v.z);
    }
    uint64_t Value() const { return hash_; }

private:
    uint64_t hash_ = 0xcbf29ce484222325ull;
};

void AppendFloat(std::string& out, float v) {
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));  // 9 digits read back as the same float
    out += buf;
}

void AppendVec(std::string& out, const Vec3& v) {
    out += '[';
    AppendFloat(out, v.x);
    out += ',';
    AppendFloat(out, v.y);
    out += ',';
    AppendFloat(out, v.z);
    out += ']';
}

template <typename Int>
void AppendField(std::string& out, const char* name, Int v) {
    out += '"';
    out += name;
    out += "\":";
    out += std::to_string(v);
}

void AppendFloatField(std::string& out, const char* name, float v) {
    out += '"';
    out += name;
    out += "\":";
    AppendFloat(out, v);
}

}  // namespace

GameStateSnapshot TakeSnapshot(const Game& game, int64_t frame) {
    GameStateSnapshot s;
    s.frame = frame;
    s.tick = game.CurTick;
    if (game.Turel) {
        const TTurel& t = *game.Turel;
        s.turret = TurretSnapshot{t.Yaw, t.Pitch, t.Life, t.Shells, t.LaserPower, t.Weapon, t.LaserOn};
    }
    if (game.Planes) {
        const TPlanes_System& ps = *game.Planes;
        s.kills = ps.Kills;
        const int32_t n = ps.PlaneCount < 0 ? 0 : ps.PlaneCount;
        for (int32_t i = 0; i < n && i < static_cast<int32_t>(ps.Planes.size()); ++i) {
            const TPlane& p = ps.Planes[i];
            s.aircraft.push_back({p.Kind, p.ModelIndex, p.Pos, p.Heading, p.PitchAngle, p.Roll, p.Speed, p.HitPoints,
                                  p.State, p.PrevState, p.Waypoint, p.Reload});
        }
        s.aircraftShots = ps.Bullets.Count;
        s.fragments = ps.Fragments.Count;
    }
    s.turretShells = game.TurelShells.Count;
    for (const auto& system : game.world.particles.Systems) s.particles.push_back(system ? system->Count : 0);
    s.randomSeed = game.random.Seed();
    return s;
}

uint64_t StateHash(const GameStateSnapshot& s) {
    Fnv1a h;
    h.Add(s.frame);
    h.Add(s.tick);
    h.Add(s.kills);
    h.Add(static_cast<uint8_t>(s.turret.has_value()));
    if (s.turret) {
        const TurretSnapshot& t = *s.turret;
        h.Add(t.yaw);
        h.Add(t.pitch);
        h.Add(t.life);
        h.Add(t.shells);
        h.Add(t.laserPower);
        h.Add(t.weapon);
        h.Add(t.laserOn);
    }
    h.Add(static_cast<uint64_t>(s.aircraft.size()));
    for (const AircraftSnapshot& a : s.aircraft) {
        h.Add(a.kind);
        h.Add(a.model);
        h.Add(a.position);
        h.Add(a.heading);
        h.Add(a.pitch);
        h.Add(a.roll);
        h.Add(a.speed);
        h.Add(a.hitPoints);
        h.Add(a.state);
        h.Add(a.prevState);
        h.Add(a.waypoint);
        h.Add(a.reload);
    }
    h.Add(s.turretShells);
    h.Add(s.aircraftShots);
    h.Add(s.fragments);
    h.Add(static_cast<uint64_t>(s.particles.size()));
    for (int32_t n : s.particles) h.Add(n);
    h.Add(s.randomSeed);
    return h.Value();
}

std::string StateJson(const GameStateSnapshot& s) {
    std::string o = "{";
    AppendField(o, "frame", s.frame);
    o += ',';
    AppendField(o, "tick", s.tick);
    o += ',';
    AppendField(o, "kills", s.kills);
    o += ",\"turret\":";
    if (s.turret) {
        const TurretSnapshot& t = *s.turret;
        o += '{';
        AppendFloatField(o, "yaw", t.yaw);
        o += ',';
        AppendFloatField(o, "pitch", t.pitch);
        o += ',';
        AppendFloatField(o, "life", t.life);
        o += ',';
        AppendField(o, "shells", t.shells);
        o += ',';
        AppendFloatField(o, "laser_power", t.laserPower);
        o += ',';
        AppendField(o, "weapon", static_cast<int>(t.weapon));
        o += ',';
        AppendField(o, "laser_on", static_cast<int>(t.laserOn));
        o += '}';
    } else {
        o += "null";
    }
    o += ",\"aircraft\":[";
    for (size_t i = 0; i < s.aircraft.size(); ++i) {
        const AircraftSnapshot& a = s.aircraft[i];
        if (i) o += ',';
        o += '{';
        AppendField(o, "kind", a.kind);
        o += ',';
        AppendField(o, "model", a.model);
        o += ",\"position\":";
        AppendVec(o, a.position);
        o += ',';
        AppendFloatField(o, "heading", a.heading);
        o += ',';
        AppendFloatField(o, "pitch", a.pitch);
        o += ',';
        AppendFloatField(o, "roll", a.roll);
        o += ',';
        AppendFloatField(o, "speed", a.speed);
        o += ',';
        AppendFloatField(o, "hit_points", a.hitPoints);
        o += ',';
        AppendField(o, "state", static_cast<int>(a.state));
        o += ',';
        AppendField(o, "prev_state", static_cast<int>(a.prevState));
        o += ",\"waypoint\":";
        AppendVec(o, a.waypoint);
        o += ',';
        AppendFloatField(o, "reload", a.reload);
        o += '}';
    }
    o += "],";
    AppendField(o, "turret_shells", s.turretShells);
    o += ',';
    AppendField(o, "aircraft_shots", s.aircraftShots);
    o += ',';
    AppendField(o, "fragments", s.fragments);
    o += ",\"particles\":[";
    for (size_t i = 0; i < s.particles.size(); ++i) {
        if (i) o += ',';
        o += std::to_string(s.particles[i]);
    }
    o += "],";
    AppendField(o, "random_seed", s.randomSeed);
    o += ",\"state_hash\":\"" + HashHex(StateHash(s)) + "\"}";
    return o;
}

}  // namespace tv
