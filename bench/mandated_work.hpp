#pragma once

// The least work one control tick of a patch cannot do without, as a yardstick for the engine:
// the library calls its sources must make (with arguments spread as the sources spread them),
// its value-noise readings, one multiply-add per route, the ponds' propagation passes with their
// double-precision sums, and one pass over the 64 outputs that rounds, compares and records what
// changed. Everything the engine does beyond this (bookkeeping, branching, the cell searches,
// smoothing, clamping) is overhead that the speed benchmark compares against it.
//
// The call counts come from the patch's own settings: a control that some route modulates is
// taken to need its call (a modulated `smooth` its exp, a modulated curve its pow), the others as
// their base values ask. Draws of the random generator and the few calls of rare events (wave
// crests, particles leaving the plate) are left out.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cc.hpp"
#include "chaos/cells.hpp"
#include "chaos/value_noise.hpp"
#include "settings/patch.hpp"

namespace ondrix_bench {

class MandatedWork {
  public:
    explicit MandatedWork(const ondrix_engine::settings::Patch& patch) {
        using namespace ondrix_engine::settings;
        std::array<std::array<bool, 9>, 16> modulated{};
        for (const Route& r : patch.routes) {
            if (r.from >= 16 || r.tap >= 4) continue;
            if (const auto* s = r.target.get_if<Target::Source>()) {
                if (s->index >= 16) continue;
                modulated[s->index][static_cast<std::size_t>(s->param)] = true;
                terms_.push_back(
                    {static_cast<std::uint16_t>(r.from * 4 + r.tap),
                     static_cast<std::uint16_t>(s->index * 9 + static_cast<std::size_t>(s->param)),
                     r.amount});
            } else if (const auto* o = r.target.get_if<Target::Output>()) {
                if (o->index >= 64) continue;
                terms_.push_back({static_cast<std::uint16_t>(r.from * 4 + r.tap),
                                  static_cast<std::uint16_t>(144 + o->index), r.amount});
            }
        }
        // Grouped by what they drive, each group in list order.
        std::stable_sort(terms_.begin(), terms_.end(),
                         [](const Term& x, const Term& y) { return x.target < y.target; });
        for (const Term& t : terms_) {
            if (groups_.empty() || groups_.back().target != t.target) groups_.push_back({t.target});
            ++groups_.back().terms;
        }
        for (std::size_t i = 0; i < patch.sources.size() && i < 16; ++i) {
            count_source(patch.sources[i], modulated[i], patch.tempo);
        }
        for (std::size_t j = 0; j < 64 && j < patch.outputs.size(); ++j) {
            const Output& o = patch.outputs[j];
            offsets_[j] = o.offset;
            if (o.enabled && o.dest.get_if<Dest::Midi>() != nullptr) {
                senders_.push_back(
                    {static_cast<std::uint8_t>(j), o.fine && o.cc < 32 ? 16383.0f : 127.0f});
            }
        }
        const auto plate = ondrix_engine::chaos::cells::CELLS();
        for (const auto& cell : plate) {
            Linked l;
            for (std::int32_t n : cell.neighbours) {
                if (n >= 0) l.cells[l.count++] = static_cast<std::uint16_t>(n);
            }
            linked_.push_back(l);
        }
        for (auto& pond : ponds_) {
            pond.current.assign(plate.size(), 0.0f);
            pond.previous.assign(plate.size(), 0.0f);
            pond.next.assign(plate.size(), 0.0f);
            pond.current[135] = -1.2f;
        }
    }

    // One tick; appends what the outputs send to `out` (within its capacity).
    void tick(std::uint64_t tick, std::vector<ondrix_engine::Cc>& out) {
        float acc = 0.0f;
        for (int n = 0; n < calls_.sinf; ++n) acc += std::sin(angle());
        for (int n = 0; n < calls_.cosf; ++n) acc += std::cos(angle());
        for (int n = 0; n < calls_.sincosf; ++n) {
            const float x = angle();
            acc += std::sin(x) * std::cos(x);
        }
        for (int n = 0; n < calls_.powf; ++n) acc += std::pow(unit() + 1e-3f, curve_);
        for (int n = 0; n < calls_.exp2f; ++n) acc += std::exp2(unit() * 4.0f - 2.0f);
        for (int n = 0; n < calls_.expf; ++n) acc += std::exp(-unit());
        for (int n = 0; n < calls_.tanhf; ++n) acc += std::tanh(unit() * 6.0f - 3.0f);
        for (int n = 0; n < calls_.sqrtf; ++n) acc += std::sqrt(unit() * 40.0f);
        for (int n = 0; n < calls_.noise; ++n) {
            acc += ondrix_engine::chaos::value_noise(unit() * 10.0f, unit() * 10.0f, z_);
        }
        z_ += 0.0013f;
        double wide = 0.0;
        for (int n = 0; n < calls_.sin; ++n) wide += std::sin(wide_angle());
        for (int n = 0; n < calls_.cos; ++n) wide += std::cos(wide_angle());
        for (int n = 0; n < calls_.sincos; ++n) {
            const double x = wide_angle();
            wide += std::sin(x) * std::cos(x);
        }
        for (int n = 0; n < calls_.fmod; ++n) wide += std::fmod(wide_angle(), 6.283185307179586);
        for (int n = 0; n < calls_.pow; ++n) wide += std::pow(1.0 + unit(), 0.012);
        float nearest = 1e30f;
        for (int n = 0; n < calls_.distances; ++n) {
            const float dx = unit() - 0.5f;
            const float dy = unit() - 0.5f;
            const float d2 = dx * dx + dy * dy;
            if (d2 < nearest) nearest = d2;
        }
        acc += nearest;
        for (std::size_t p = 0; p < pond_count_; ++p) {
            ponds_[p].clock += ponds_[p].steps;
            for (; ponds_[p].clock >= 1.0f; ponds_[p].clock -= 1.0f) propagate(ponds_[p]);
            acc += ponds_[p].current[194];
        }

        // Route sums into the source controls and the outputs, in list order.
        taps_[tap_++ & 63] = acc + static_cast<float>(wide);
        const Term* term = terms_.data();
        for (const Group& g : groups_) {
            float sum = 0.0f;
            for (const Term* end = term + g.terms; term != end; ++term) {
                sum += taps_[term->tap] * term->amount;
            }
            sums_[g.target] = sum;
        }

        for (std::size_t j = 0; j < 64; ++j) {
            float x = offsets_[j] + sums_[144 + j];
            x = x < -1.0f ? -1.0f : x;
            x = x > 1.0f ? 1.0f : x;
            values_[j] = (x + 1.0f) * 0.5f;
        }
        for (Sender& s : senders_) {
            const auto n = static_cast<std::uint32_t>(std::lround(values_[s.output] * s.scale));
            if (n == s.last || out.size() == out.capacity()) continue;
            s.last = n;
            out.push_back({tick, 0, s.output, static_cast<std::uint8_t>(n)});
        }
    }

    const std::array<float, 64>& values() const { return values_; }

  private:
    struct Term {
        std::uint16_t tap;
        std::uint16_t target;  // source control s * 9 + p, or 144 + output
        float amount;
    };
    struct Group {
        std::uint16_t target = 0;
        std::uint16_t terms = 0;
    };
    struct Sender {
        std::uint8_t output = 0;
        float scale = 127.0f;
        std::uint32_t last = 0xffffffffu;
    };
    struct Calls {
        // A sine and a cosine of one argument count as one call of both.
        int sinf = 0, cosf = 0, sincosf = 0, powf = 0, exp2f = 0, expf = 0, tanhf = 0;
        int sqrtf = 0, noise = 0;
        int sin = 0, cos = 0, sincos = 0, fmod = 0, pow = 0;  // double precision
        int distances = 0;
    };
    struct Linked {
        std::array<std::uint16_t, 6> cells{};
        int count = 0;
    };
    struct Pond {
        std::vector<float> current, previous, next;
        float steps = 0.0f;  // propagation steps per tick
        float clock = 0.0f;
    };

    void count_source(const ondrix_engine::settings::Source& s, const std::array<bool, 9>& mod,
                      float tempo) {
        using namespace ondrix_engine::settings;
        if (!s.enabled) return;
        const auto param = [&](Param p) { return mod[static_cast<std::size_t>(p)]; };
        const float hz =
            s.rate.mode == Rate::Mode::Free ? s.rate.value : tempo / 60.0f / s.rate.value;
        if (s.rough > 0.0f || param(Param::Rough)) calls_.cosf += 1;
        if (s.rough > 0.0f || param(Param::Rough) || param(Param::Rate)) calls_.exp2f += 1;
        if (s.smooth > 0.0f || param(Param::Smooth)) calls_.expf += 1;
        switch (s.shape.kind()) {
            case Shape::Kind::Sine:
                calls_.sinf += 4;
                break;
            case Shape::Kind::Triangle:
                calls_.exp2f += 1;
                if (s.b != 0.5f || param(Param::B)) calls_.powf += 4;
                break;
            case Shape::Kind::Saw:
                calls_.exp2f += 1;
                if (s.a != 0.5f || param(Param::A)) calls_.powf += 4;
                break;
            case Shape::Kind::SmoothRandom:
                calls_.cosf += 4;
                break;
            case Shape::Kind::Morph: {
                const int wave = static_cast<int>(6.0f * (s.a - std::floor(s.a)));
                if (wave == 0 || wave == 5) calls_.sinf += 4;
                break;
            }
            case Shape::Kind::Drawn:
                if (s.a >= 0.5f) calls_.cosf += 4;
                break;
            case Shape::Kind::CvIn:
                calls_.exp2f += 1;
                calls_.expf += 1;
                break;
            case Shape::Kind::Field:
                count_field(s.shape.get_if<Shape::Field>()->motion, s.a, hz);
                break;
            case Shape::Kind::Pendulum: {
                // Sub-steps of at most 4 ms of simulated time, four simulated seconds a second.
                const int steps = std::clamp(static_cast<int>(std::ceil(hz)), 1, 16);
                const int slopes = 4 * steps;
                calls_.sincos += slopes * 2 + 2;  // phi1 and delta; the taps' two angles
                calls_.sin += slopes;             // phi1 - 2 phi2
                calls_.cos += slopes;             // 2 delta
                calls_.fmod += 2;
                calls_.pow += 1;
                break;
            }
            case Shape::Kind::Lorenz:
                break;
            case Shape::Kind::Wander:
                calls_.expf += 1;
                break;
            case Shape::Kind::Square:
            case Shape::Kind::SampleHold:
                break;
        }
    }

    void count_field(ondrix_engine::settings::Motion motion, float a, float hz) {
        using ondrix_engine::settings::Motion;
        switch (motion) {
            case Motion::Drift:
                calls_.noise += 8;
                break;
            case Motion::Flow:
                calls_.noise += 8;
                calls_.sincosf += 1;
                break;
            case Motion::Spin:
                calls_.noise += 8;
                calls_.sincosf += 4;
                break;
            case Motion::Rain:
            case Motion::Wave:
                calls_.tanhf += 4;
                if (pond_count_ < ponds_.size()) ponds_[pond_count_++].steps = hz * 40.0f * 0.001f;
                break;
            case Motion::Cells: {
                const int count = 3 + static_cast<int>(std::lround(13.0f * (1.0f - a)));
                calls_.noise += count;
                calls_.sincosf += 2 * count;  // heading, and the orbit's angle
                calls_.distances += 4 * count;
                calls_.sqrtf += 5;
                break;
            }
        }
    }

    // One propagation step of a pond, with its mean removed through a double-precision sum.
    void propagate(Pond& p) {
        double total = 0.0;
        for (std::size_t i = 0; i < linked_.size(); ++i) {
            const float here = p.current[i];
            float sum = 0.0f;
            for (int n = 0; n < linked_[i].count; ++n) sum += p.current[linked_[i].cells[n]] - here;
            const float pull = sum / static_cast<float>(linked_[i].count) * 0.9f;
            p.next[i] = (here - p.previous[i]) * 0.967f + here + pull;
            total += static_cast<double>(p.next[i]);
        }
        const auto mean = static_cast<float>(total / static_cast<double>(linked_.size()));
        for (std::size_t i = 0; i < linked_.size(); ++i) p.previous[i] = p.next[i] - mean;
        p.previous.swap(p.current);
    }

    // Arguments spread evenly over a cycle, as phases are.
    float unit() {
        phase_ += 0.618034f;
        if (phase_ >= 1.0f) phase_ -= 1.0f;
        return phase_;
    }
    float angle() { return unit() * 6.2831855f; }
    double wide_angle() { return static_cast<double>(unit()) * 12.0 - 6.0; }

    std::vector<Term> terms_;
    Calls calls_;
    float curve_ = 0.7f;
    std::array<float, 64> offsets_{};
    std::vector<Sender> senders_;
    std::array<float, 64> values_{};
    std::array<float, 64> taps_{};
    std::array<float, 144 + 64> sums_{};
    std::vector<Group> groups_;  // the sums that some route feeds
    std::vector<Linked> linked_;
    std::array<Pond, 2> ponds_{};
    std::size_t pond_count_ = 0;
    float phase_ = 0.0f;
    float z_ = 0.0f;
    unsigned tap_ = 0;
};

}  // namespace ondrix_bench
