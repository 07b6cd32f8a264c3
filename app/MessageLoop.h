// The user-interface thread's message loop with idle handlers and message filters.
#pragma once

#include <windows.h>
#include <vector>

namespace pictrove {

class IdleHandler {
  public:
    virtual ~IdleHandler() = default;
    // Returns true to be called again before the next message arrives.
    virtual bool OnIdle() = 0;
};

class MessageFilter {
  public:
    virtual ~MessageFilter() = default;
    // Returns true when the message was taken and must not be dispatched.
    virtual bool PreTranslateMessage(MSG& msg) = 0;
};

class MessageLoop {
  public:
    void AddIdleHandler(IdleHandler* handler);
    void RemoveIdleHandler(IdleHandler* handler);
    void AddMessageFilter(MessageFilter* filter);
    void RemoveMessageFilter(MessageFilter* filter);

    // Runs until WM_QUIT; returns its exit code.
    int Run();
    // Runs the idle handlers once; true when one asked to run again.
    bool RunIdleHandlers();
    bool PreTranslate(MSG& msg);

    // Messages after which the queue going empty does not count as a new idle period.
    static bool IsIdleMessage(const MSG& msg);

  private:
    std::vector<IdleHandler*> idleHandlers_;
    std::vector<MessageFilter*> filters_;
};

}  // namespace pictrove
