#pragma once
#include <functional>
#include <map>

// A control, command or message id that the program does not know is a
// programming error: a debug build stops on it, any other build logs it as
// critical ("<where>: unknown <kind> id <id>"). Never a silent no-op.
void AfxUnknownId(const char* kind, int id, const char* where);

// State of one command's user-interface items, filled in by update handlers
// (run when a menu is shown and when the program is idle).
class CCmdUI {
public:
    explicit CCmdUI(int id) : m_nID(id) {}
    void Enable(bool on = true) {
        m_bEnabled = on;
        m_bEnableSet = true;
    }
    void SetCheck(int check = 1) {
        m_nCheck = check;
        m_bCheckSet = true;
    }
    // Lets the next target in the route decide instead.
    void ContinueRouting() { m_bContinueRouting = true; }

    int m_nID;
    bool m_bEnabled = false;
    bool m_bEnableSet = false;
    int m_nCheck = 0;
    bool m_bCheckSet = false;
    bool m_bContinueRouting = false;
};

// The message map of one command target: command id -> handler and update
// handler. OnCmdMsg looks into its own map; subclasses route on to their
// neighbours (view -> document -> frame -> application).
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // With ui == nullptr runs the command, else asks for its state. True when
    // this target (or one it routes to) took it.
    virtual bool OnCmdMsg(int id, CCmdUI* ui);

protected:
    void OnCommand(int id, std::function<void()> handler);
    void OnCommandRange(int first, int last, std::function<void(int)> handler);
    void OnUpdateCommand(int id, std::function<void(CCmdUI*)> handler);
    void OnUpdateCommandRange(int first, int last, std::function<void(CCmdUI*)> handler);

private:
    std::map<int, std::function<void(int)>> m_commands;
    std::map<int, std::function<void(CCmdUI*)>> m_updates;
};
