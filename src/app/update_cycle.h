// The update cycle: started by the user, it checks the public address at once
// and every 60 s, and points the DNS record at it whenever it changed.
#pragma once

#include "dnsapi/api_answer.h"

class Timer;

class UpdateCycle {
  public:
    // Why the cycle stopped itself.
    enum class Halt {
        none,
        line_failed,      // the IP line gave no address
        settings_needed,  // the key, the account or the record must change first
    };

    // How the last check ended.
    enum class Outcome {
        none,       // no check yet, or one aborted by a stop
        unchanged,  // the record already held the address
        updated,
        transient,  // failed for now; the next check tries again
        line_failed,
        settings_needed,
    };

    explicit UpdateCycle(Timer& timer);
    // The time between two checks (60 s unless the demo asks for less).
    void set_check_period(int milliseconds) { period_ms_ = milliseconds; }
    // True when the cycle was started (no refusal).
    bool start();
    // Also aborts the transfer of a check under way: that check then writes nothing.
    void stop();
    void check();
    // True while a check is under way (it may dispatch window messages while it waits).
    bool is_checking() const { return checking_; }
    Halt last_halt() const { return last_halt_; }
    Outcome last_outcome() const { return last_outcome_; }

  private:
    void halt(Halt reason);  // stops without a log line
    void halt_for(const ApiVerdict& verdict);
    void run_check();
    enum class ReadBack { read, unanswered, halted };
    // `halted` when the check must end: aborted, or the record may not be kept (the
    // cycle has then stopped); `unanswered` leaves the stored value standing.
    ReadBack read_back_record();
    void store_resolved_ip(const Text& ip);

    Timer& timer_;
    bool checking_ = false;  // a tick that arrives during a check is skipped
    int checks_until_read_back_ = 0;
    Halt last_halt_ = Halt::none;
    Outcome last_outcome_ = Outcome::none;
    int period_ms_ = 60000;
};
