// The update cycle: started by the user, it checks the public address at once
// and every 60 s, and points the DNS record at it whenever it changed.
#pragma once

class Timer;

class UpdateCycle {
  public:
    explicit UpdateCycle(Timer& timer);
    // True when the cycle was started (no refusal).
    bool start();
    void stop();
    void check();

  private:
    void halt();  // stops without a log line
    void run_check();

    Timer& timer_;
    bool checking_ = false;  // a tick that arrives during a check is skipped
};
