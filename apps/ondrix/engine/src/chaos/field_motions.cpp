// Drift, flow and spin read a two-octave value-noise field at four points; cells reads the
// distance to the nearest of a few drifting particles.

#include <cmath>
#include <limits>

#include "chaos/rules.hpp"
#include "chaos/value_noise.hpp"

namespace ondrix_engine::chaos::detail {
namespace {

struct Octaves {
    float base;
    float detail;
};

Octaves read_field(float px, float py, float z) {
    return {value_noise(px, py, z),
            value_noise(px * 2.03f + 7.1f, py * 2.03f + 3.7f, z * 1.7f + 11.3f)};
}

// The distance of the taps from the field centre for a spread.
float tap_radius(float spread) {
    return 1.6f * spread * spread + 0.01f;
}

Taps drift(Chaos::Noise& n, const Inputs& in) {
    const float speed = in.rate * (in.a * 2.7f + 0.3f);
    n.time += static_cast<double>(in.dt * speed);
    if (n.time > 100000.0) n.time -= 100000.0;

    const float r = tap_radius(in.spread);
    const float scale = in.a * 1.5f + 0.5f;
    const float norm = in.b * 0.4f + 1.0f;
    const auto z = static_cast<float>(n.time);
    Taps taps;
    for (std::size_t k = 0; k < 4; ++k) {
        const Direction d = tap_directions[k];
        const float px = (d.x * r + n.centre_x) * scale;
        const float py = (d.y * r + n.centre_y) * scale;
        const Octaves o = read_field(px, py, z);
        taps[k] = clamp_tap((o.base + o.detail * in.b) / norm * 1.5f);
    }
    return taps;
}

Taps flow(Chaos::Noise& n, const Inputs& in) {
    const float scale = in.a * 1.5f + 0.5f;
    const float angle = in.b * two_pi;
    const float s = std::sin(angle);
    const float c = std::cos(angle);
    n.offset_x -= in.dt * (in.rate * c);
    n.offset_y -= in.dt * (in.rate * s);
    n.time += static_cast<double>(in.rate * 0.15f * in.dt);
    if (std::fabs(n.offset_x) > 10000.0f || std::fabs(n.offset_y) > 10000.0f) {
        n.offset_x = 0.0f;
        n.offset_y = 0.0f;
    }

    const float r = tap_radius(in.spread);
    const auto z = static_cast<float>(n.time);
    Taps taps;
    for (std::size_t k = 0; k < 4; ++k) {
        const Direction d = tap_directions[k];
        const float px = (d.x * r + n.centre_x) * scale + n.offset_x;
        const float py = (d.y * r + n.centre_y) * scale + n.offset_y;
        const Octaves o = read_field(px, py, z);
        taps[k] = clamp_tap((o.base + 0.5f * o.detail) / 1.2f * 1.5f);
    }
    return taps;
}

Taps spin(Chaos::Noise& n, const Inputs& in) {
    const float speed = in.rate * in.b * 1.5f;
    n.time += static_cast<double>(in.dt * speed);

    const float ring = (in.a * 6.0f + 2.0f) / two_pi;
    const std::array<float, 4> along = {0.0f, in.spread, in.spread + in.spread, in.spread * 3.0f};
    const auto z = static_cast<float>(n.time);
    Taps taps;
    for (std::size_t k = 0; k < 4; ++k) {
        const float angle = (along[k] * 0.25f + in.phase) * two_pi;
        const float px = std::cos(angle) * ring + n.centre_x;
        const float py = std::sin(angle) * ring + n.centre_y;
        const Octaves o = read_field(px, py, z);
        taps[k] = clamp_tap((o.base + 0.5f * o.detail) / 1.2f * 2.2f);
    }
    return taps;
}

// Scatters all slots uniformly over the disc of radius 3.4, with random headings.
void seed_particles(Chaos::Cells& c) {
    for (std::size_t i = 0; i < Chaos::Cells::max_particles; ++i) {
        const float g1 = c.rng.signed_draw();
        const float g2 = c.rng.signed_draw();
        const float g3 = c.rng.signed_draw();
        const float around = (g1 + 1.0f) * 0.5f * two_pi;
        const float out = std::sqrt((g2 + 1.0f) * 0.5f) * 3.4f;
        c.heading[i] = (g3 + 1.0f) * 0.5f * two_pi;
        c.x[i] = std::cos(around) * out;
        c.y[i] = std::sin(around) * out;
    }
}

}  // namespace

Taps step_noise(Chaos::Noise& noise, const Inputs& in) {
    switch (noise.motion) {
        case 1:
            return flow(noise, in);
        case 2:
            return spin(noise, in);
        default:
            return drift(noise, in);
    }
}

Taps step_cells(Chaos::Cells& c, const Inputs& in) {
    const float fewer = std::fmax(13.0f * (1.0f - in.a), 0.0f);
    const std::size_t want = 3 + to_count(std::round(fewer));
    if (want != c.count) {
        c.count = want;
        seed_particles(c);
    }
    // a is at most 1, so want is at least 3; the cap keeps an out-of-range a inside the arrays.
    const std::size_t count = std::min(c.count, Chaos::Cells::max_particles);

    c.time += in.dt * in.rate;
    if (c.time > 10000.0f) c.time -= 10000.0f;

    const float swirl = c.time * 0.05f * two_pi;
    const float forward = in.rate * ((1.0f - in.b) * 0.6f + 0.1f);
    const float orbit = in.rate * 1.5f * in.b;
    for (std::size_t i = 0; i < count; ++i) {
        const auto fi = static_cast<float>(i);
        const float n = value_noise(fi * 2.71f + 0.3f, 4.2f, c.time + fi);
        c.heading[i] += n * 24.0f * in.rate * in.dt;
        const float h = c.heading[i];
        const float beta = h * 0.6f + swirl;
        c.x[i] += (std::cos(h) * forward + std::cos(beta) * orbit) * in.dt;
        c.y[i] += (std::sin(h) * forward + std::sin(beta) * orbit) * in.dt;
        if (c.x[i] * c.x[i] + c.y[i] * c.y[i] > 17.6399975f) {
            // Out past the rim: back in on the opposite side.
            const float angle = std::atan2(c.y[i], c.x[i]) + pi;
            c.x[i] = std::cos(angle) * 4.1f;
            c.y[i] = std::sin(angle) * 4.1f;
        }
    }

    const float size = std::sqrt(41.0f / static_cast<float>(count)) * 1.05f;
    const float reach = 3.2f * in.spread;
    Taps taps;
    for (std::size_t k = 0; k < 4; ++k) {
        const float px = reach * tap_directions[k].x;
        const float py = reach * tap_directions[k].y;
        float nearest = std::numeric_limits<float>::max();
        for (std::size_t i = 0; i < count; ++i) {
            const float dx = px - c.x[i];
            const float dy = py - c.y[i];
            const float d2 = dx * dx + dy * dy;
            if (d2 < nearest) nearest = d2;
        }
        const float d = std::sqrt(nearest);
        taps[k] = clamp_tap(1.0f - (d + d) / size);
    }
    return taps;
}

}  // namespace ondrix_engine::chaos::detail
