#pragma once

namespace orv {

// "Now" as a local day number (days since 1899-12-30, fraction = time of day). The program uses
// the system clock; tests move a manual clock, so timers and grids are tested without sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual double now() const = 0;
};

class SystemClock final : public Clock {
public:
    [[nodiscard]] double now() const override;
};

class ManualClock final : public Clock {
public:
    explicit ManualClock(double dayNumber = 0.0) : t_(dayNumber) {}
    [[nodiscard]] double now() const override { return t_; }
    void set(double dayNumber) { t_ = dayNumber; }
    void advanceSeconds(double s) { t_ += s / 86400.0; }

private:
    double t_;
};

} // namespace orv
