// Sound effects (mono 16-bit PCM, so the mixer can place them in 3D) and the music
// (Ogg Vorbis, 44.1 kHz stereo). The two weapon sounds and the music are built on a circle:
// every note or burst that runs past the end is added at the start, so the loops join
// without a click.

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "audio/wav_file.h"
#include "common/data_paths.h"
#include "common/error.h"
#include "dataset.h"

namespace tv::datagen {

namespace {

constexpr float kTwoPi = 6.28318530717959f;
constexpr int kEffectRate = 22050;

std::vector<uint8_t> ToPcm16(const std::vector<float>& s, float peak) {
    float m = 1e-6f;
    for (float v : s) m = std::max(m, std::fabs(v));
    float k = peak / m;
    std::vector<uint8_t> out;
    out.reserve(s.size() * 2);
    for (float v : s) {
        int q = static_cast<int>(std::lround(std::clamp(v * k, -1.0f, 1.0f) * 32767.0f));
        out.push_back(static_cast<uint8_t>(q & 0xFF));
        out.push_back(static_cast<uint8_t>((q >> 8) & 0xFF));
    }
    return out;
}

std::vector<uint8_t> MonoWave(const std::vector<float>& s, float peak) {
    WaveFile w;
    w.FormatTag = 1;
    w.Channels = 1;
    w.Rate = kEffectRate;
    w.Bits = 16;
    w.BlockAlign = 2;
    w.BytesPerSecond = kEffectRate * 2;
    w.Samples = ToPcm16(s, peak);
    return WriteWave(w);
}

// A one-pole low-pass whose cutoff follows `cutoff(t)`.
struct LowPass {
    float y = 0;
    float Step(float x, float cutoffHz, float rate) {
        float a = 1 - std::exp(-kTwoPi * cutoffHz / rate);
        y += (x - y) * a;
        return y;
    }
};

std::vector<float> Explosion() {
    const int n = kEffectRate * 5 / 2;
    std::vector<float> s(n);
    Lcg rng(4242);
    LowPass lp, lp2;
    float crackle = 0;
    for (int i = 0; i < n; ++i) {
        float t = float(i) / kEffectRate;
        float noise = rng.Uniform() * 2 - 1;
        float env = (t < 0.01f ? t / 0.01f : std::exp(-(t - 0.01f) * 2.2f));
        float body = lp.Step(noise, 2500 * std::exp(-t * 3.0f) + 120, kEffectRate);
        float rumble = lp2.Step(noise, 90, kEffectRate) * 4.0f;
        float thump = std::sin(kTwoPi * (55 * t - 12 * t * t)) * std::exp(-t * 6) * (t < 0.45f ? 1 : 0);
        if (rng.Uniform() < 0.002f * std::exp(-t * 1.5f)) crackle = 1;
        crackle *= 0.93f;
        s[i] = env * (body * 1.3f + rumble) + thump * 0.9f + crackle * noise * 0.5f * env;
    }
    // Soft saturation: more body for the same peak.
    for (float& v : s) v = std::tanh(v * 2.5f);
    return s;
}

std::vector<float> LaserLoop() {
    // One second; every frequency is a whole number of cycles per loop.
    const int n = kEffectRate;
    std::vector<float> s(n);
    for (int i = 0; i < n; ++i) {
        float t = float(i) / kEffectRate;
        float buzz = 0;
        for (int h = 1; h <= 9; h += 2) buzz += std::sin(kTwoPi * 110 * h * t + 0.8f * std::sin(kTwoPi * 6 * t)) / h;
        float am = 0.75f + 0.25f * std::sin(kTwoPi * 14 * t);
        float whine = std::sin(kTwoPi * 1320 * t + 3.0f * std::sin(kTwoPi * 7 * t)) * 0.35f;
        float shimmer = std::sin(kTwoPi * 2640 * t) * 0.08f * (0.5f + 0.5f * std::sin(kTwoPi * 3 * t));
        s[i] = buzz * am * 0.6f + whine + shimmer;
    }
    return s;
}

std::vector<float> CannonLoop() {
    // Twelve shots 50 ms apart (a quick autocannon); each shot's tail wraps round to the start.
    const int shots = 12, spacing = kEffectRate * 50 / 1000, n = shots * spacing;
    std::vector<float> s(n, 0.0f);
    Lcg rng(777);
    for (int k = 0; k < shots; ++k) {
        LowPass lp;
        float pitch = 1.0f + 0.06f * (rng.Uniform() - 0.5f);
        int length = kEffectRate / 4;
        for (int i = 0; i < length; ++i) {
            float t = float(i) / kEffectRate;
            float noise = rng.Uniform() * 2 - 1;
            float crack = lp.Step(noise, 6000 * std::exp(-t * 40) + 400, kEffectRate) * std::exp(-t * 45);
            float boom = std::sin(kTwoPi * 95 * pitch * t * (1 - t * 2)) * std::exp(-t * 28);
            float click = i < 40 ? (1 - i / 40.0f) * 0.8f : 0;
            s[(k * spacing + i) % n] += crack * 1.2f + boom * 0.9f + click;
        }
    }
    return s;
}

// ---- music ----

constexpr int kRate = 44100;
constexpr float kBeat = 0.6f;  // 100 beats per minute
constexpr int kBars = 32;
constexpr int kBeats = kBars * 4;

float Midi(float note) { return 440.0f * std::pow(2.0f, (note - 69) / 12.0f); }

struct Music {
    int n;
    std::vector<float> left, right;
    std::vector<float> sine, warm;  // one-cycle tables
    explicit Music(int samples) : n(samples), left(samples, 0.0f), right(samples, 0.0f), sine(4096), warm(4096) {
        for (int i = 0; i < 4096; ++i) {
            float ph = kTwoPi * i / 4096;
            sine[i] = std::sin(ph);
            float w = 0;
            for (int h = 1; h <= 10; ++h) w += std::sin(ph * h) / (h * (h % 2 ? 1.0f : 1.6f));
            warm[i] = w * 0.55f;
        }
    }
    static float Table(const std::vector<float>& t, double phase) {
        double f = phase - std::floor(phase);
        double x = f * 4096;
        int i = static_cast<int>(x);
        float a = t[i & 4095], b = t[(i + 1) & 4095];
        return a + (b - a) * static_cast<float>(x - i);
    }
    void Add(int at, float l, float r) {
        int i = at % n;
        if (i < 0) i += n;
        left[i] += l;
        right[i] += r;
    }
    // Slow pad chord note: two detuned voices spread left and right.
    void Pad(float start, float length, float note, float gain) {
        float f = Midi(note);
        int s0 = static_cast<int>(start * kRate), len = static_cast<int>((length + 1.2f) * kRate);
        double pa = 0, pb = 0.37;
        for (int i = 0; i < len; ++i) {
            float t = float(i) / kRate;
            float env = std::min(1.0f, t / 0.8f) * (t < length ? 1.0f : std::exp(-(t - length) * 4));
            float a = Table(warm, pa), b = Table(warm, pb);
            pa += f * 0.9985 / kRate;
            pb += f * 1.0015 / kRate;
            Add(s0 + i, (a * 0.7f + b * 0.3f) * env * gain, (b * 0.7f + a * 0.3f) * env * gain);
        }
    }
    // Glassy bell: two-operator FM with a falling index.
    void Bell(float start, float note, float gain, float pan) {
        float f = Midi(note);
        int s0 = static_cast<int>(start * kRate), len = static_cast<int>(2.2f * kRate);
        double pc = 0, pm = 0;
        for (int i = 0; i < len; ++i) {
            float t = float(i) / kRate;
            float env = std::min(1.0f, t / 0.003f) * std::exp(-t * 2.6f);
            float index = 2.2f * std::exp(-t * 5.0f);
            float v = Table(sine, pc + index * Table(sine, pm) / kTwoPi) * env * gain;
            pc += f / kRate;
            pm += f * 3.5 / kRate;
            Add(s0 + i, v * (1 - pan), v * pan);
        }
    }
    void Bass(float start, float length, float note, float gain) {
        float f = Midi(note);
        int s0 = static_cast<int>(start * kRate), len = static_cast<int>((length + 0.1f) * kRate);
        double p = 0;
        for (int i = 0; i < len; ++i) {
            float t = float(i) / kRate;
            float env = std::min(1.0f, t / 0.01f) * (t < length ? std::exp(-t * 1.2f) : std::exp(-length * 1.2f) * std::exp(-(t - length) * 40));
            float v = (Table(sine, p) + 0.3f * Table(sine, 2 * p)) * env * gain;
            p += f / kRate;
            Add(s0 + i, v, v);
        }
    }
    void Kick(float start, float gain) {
        int s0 = static_cast<int>(start * kRate), len = static_cast<int>(0.35f * kRate);
        double p = 0;
        for (int i = 0; i < len; ++i) {
            float t = float(i) / kRate;
            float f = 45 + 90 * std::exp(-t * 30);
            float v = Table(sine, p) * std::exp(-t * 9) * gain;
            p += f / kRate;
            Add(s0 + i, v, v);
        }
    }
    void Hat(float start, float gain, float pan, Lcg& rng) {
        int s0 = static_cast<int>(start * kRate), len = static_cast<int>(0.08f * kRate);
        float prev = 0;
        for (int i = 0; i < len; ++i) {
            float t = float(i) / kRate;
            float noise = rng.Uniform() * 2 - 1;
            float v = (noise - prev) * std::exp(-t * 55) * gain;  // first difference: bright
            prev = noise;
            Add(s0 + i, v * (1 - pan), v * pan);
        }
    }
};

std::vector<int16_t> ComposeMusic() {
    const int n = static_cast<int>(kBeats * kBeat * kRate);
    Music m(n);
    // Eight-bar progression in D minor: Dm Bb F C | Dm Gm Bb A (root notes, chord tones).
    const int roots[8] = {50, 46, 53, 48, 50, 43, 46, 45};
    const int chords[8][4] = {{62, 65, 69, 74}, {58, 62, 65, 70}, {60, 65, 69, 72}, {60, 64, 67, 72},
                              {62, 65, 69, 74}, {58, 62, 67, 70}, {58, 62, 65, 70}, {61, 64, 69, 73}};
    const int arp[8] = {0, 1, 2, 3, 2, 1, 2, 3};
    Lcg rng(2024);
    for (int bar = 0; bar < kBars; ++bar) {
        int c = bar % 8, section = bar / 8;  // four sections of eight bars
        float t0 = bar * 4 * kBeat;
        for (int k = 0; k < 3; ++k) m.Pad(t0, 4 * kBeat, chords[c][k] - 12, section == 0 ? 0.08f : 0.06f);
        // Bells: sparse in the first section, running eighths later, thinning at the end.
        int step = section == 0 ? 4 : (section == 3 ? 2 : 1);
        for (int e = 0; e < 8; e += step) {
            int note = chords[c][arp[e]] + (section == 2 && e % 4 == 3 ? 12 : 0);
            m.Bell(t0 + e * kBeat / 2, note + 12, section == 0 ? 0.16f : 0.09f, e % 2 ? 0.3f : 0.7f);
        }
        if (section >= 1) {
            m.Bass(t0, 1.5f * kBeat, roots[c] - 12, 0.22f);
            m.Bass(t0 + 2 * kBeat, 1.5f * kBeat, roots[c] - 12, 0.18f);
            m.Bass(t0 + 3.5f * kBeat, 0.4f * kBeat, roots[c], 0.12f);
        }
        if (section == 1 || section == 2) {
            m.Kick(t0, 0.35f);
            m.Kick(t0 + 2 * kBeat, 0.3f);
            for (int e = 1; e < 8; e += 2) m.Hat(t0 + e * kBeat / 2, 0.05f, e % 4 == 1 ? 0.35f : 0.65f, rng);
        }
    }
    // Echo over two turns of the circle so the tail of the end feeds the start.
    const int dl = static_cast<int>(kBeat * 0.75f * kRate), dr = static_cast<int>(kBeat * 1.0f * kRate);
    std::vector<float> wl(n, 0.0f), wr(n, 0.0f);
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < n; ++i) {
            float el = wl[(i - dl + n) % n], er = wr[(i - dr + n) % n];
            wl[i] = m.left[i] + er * 0.38f;  // cross-fed echo wanders between the sides
            wr[i] = m.right[i] + el * 0.38f;
        }
    std::vector<int16_t> pcm(static_cast<size_t>(n) * 2);
    float peak = 1e-6f;
    for (int i = 0; i < n; ++i) {
        float l = m.left[i] + 0.35f * (wl[i] - m.left[i]), r = m.right[i] + 0.35f * (wr[i] - m.right[i]);
        m.left[i] = l;
        m.right[i] = r;
        peak = std::max({peak, std::fabs(l), std::fabs(r)});
    }
    float k = 0.8f / peak;
    for (int i = 0; i < n; ++i) {
        pcm[2 * i] = static_cast<int16_t>(std::lround(std::clamp(m.left[i] * k, -1.0f, 1.0f) * 32767));
        pcm[2 * i + 1] = static_cast<int16_t>(std::lround(std::clamp(m.right[i] * k, -1.0f, 1.0f) * 32767));
    }
    return pcm;
}

std::vector<uint8_t> EncodeVorbis(const std::vector<int16_t>& pcm, int channels, int rate, float quality) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) throw Error("vorbis encoder setup failed");
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", "Crystal Snow");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 0x54567631);  // fixed serial: the same bytes on every run
    std::vector<uint8_t> out;
    auto flushPage = [&](ogg_page& og) {
        out.insert(out.end(), og.header, og.header + og.header_len);
        out.insert(out.end(), og.body, og.body + og.body_len);
    };
    ogg_packet header, comments, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &code);
    ogg_page og;
    while (ogg_stream_flush(&os, &og)) flushPage(og);

    const size_t frames = pcm.size() / channels, chunk = 4096;
    size_t pos = 0;
    bool eos = false;
    while (!eos) {
        if (pos < frames) {
            size_t count = std::min(chunk, frames - pos);
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(count));
            for (size_t i = 0; i < count; ++i)
                for (int c = 0; c < channels; ++c) buffer[c][i] = pcm[(pos + i) * channels + c] / 32768.0f;
            vorbis_analysis_wrote(&vd, static_cast<int>(count));
            pos += count;
        } else {
            vorbis_analysis_wrote(&vd, 0);
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (!eos && ogg_stream_pageout(&os, &og)) {
                    flushPage(og);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

}  // namespace

void GenerateSounds(DataWriter& out) {
    out.Put(paths::kExplosionSound, MonoWave(Explosion(), 0.9f));
    out.Put(paths::kLaserSound, MonoWave(LaserLoop(), 0.6f));
    out.Put(paths::kCannonSound, MonoWave(CannonLoop(), 0.8f));
    out.Put(paths::kMusic, EncodeVorbis(ComposeMusic(), 2, kRate, 0.1f));
}

}  // namespace tv::datagen
