#pragma once

#include "link/LinkController.h"

#include <QTimer>

#include <array>
#include <string>

namespace orv {

// Whether the port test's exclusion list (each port number followed by "!", the list starting
// with "!", e.g. "!3!7!") names port `n`: "!" and the number, not followed by another digit, so
// "!13!" names 13 but not 1.
[[nodiscard]] bool portExcluded(const std::string& PortTest, int n);

// The port test and search of the serial link as a state machine on the event loop. Each step
// does its work and hands over to the next through a timer, so frames keep arriving, the
// interface dialog's Cancel gets through and nothing nests.
//
//   crash check -> test phase (one port per step) -> search phase: per candidate port
//   open, "1", pause -> listen for `searchSeconds` ticks of Timer1 or until a good frame
//   -> found: stays open | not found: close, next port (or stop on Cancel) -> finish
class LinkController::PortSearch {
public:
    explicit PortSearch(LinkController& link);
    ~PortSearch();
    PortSearch(const PortSearch&) = delete;
    PortSearch& operator=(const PortSearch&) = delete;

    void start();
    [[nodiscard]] bool running() const { return phase_ != Phase::Idle; }
    // Received text was parsed; a good frame ends the wait on the port being tried.
    void textParsed();

private:
    enum class Phase { Idle, Testing, Pausing, Listening };

    void crashCheck();
    void testNext();
    void afterTest();
    void searchNext();
    void tryPort(int port);
    void listen();
    void Timer1_Timer();
    void endWait();
    void notFound();
    void finish(bool found);

    // Runs `next` from the event loop after `ms` milliseconds.
    void after(int ms, void (PortSearch::*next)());
    void writeCrashPort(int port);
    [[nodiscard]] bool frameReceived() const;

    LinkController& link_;
    Phase phase_ = Phase::Idle;
    // Entry n: port n could be opened in the test phase; entry 0: at least one could.
    std::array<bool, 17> usable_{};
    int testPort_ = 0;
    int k_ = 0;
    int port_ = 0;
    int SearchSeconds = 0;
    QTimer step_;
    void (PortSearch::*next_)() = nullptr;
    QTimer Timer1;
};

} // namespace orv
