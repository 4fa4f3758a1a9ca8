#include "cmd_target.h"

#include <QtGlobal>

void AfxUnknownId(const char* kind, int id, const char* where) {
    qCritical("%s: unknown %s id %d", where, kind, id);
    Q_ASSERT_X(false, where, "unknown id");
}

bool CCmdTarget::OnCmdMsg(int id, CCmdUI* ui) {
    if (ui) {
        if (auto u = m_updates.find(id); u != m_updates.end()) {
            // An update handler that says nothing about it leaves the item enabled.
            ui->m_bContinueRouting = false;
            ui->m_bEnabled = true;
            u->second(ui);
            return !ui->m_bContinueRouting;
        }
        if (m_commands.count(id)) {
            ui->Enable(true);
            return true;
        }
        return false;
    }
    if (auto c = m_commands.find(id); c != m_commands.end()) {
        // Copy: the handler may close the window that owns this map.
        auto handler = c->second;
        handler(id);
        return true;
    }
    return false;
}

void CCmdTarget::OnCommand(int id, std::function<void()> handler) {
    m_commands[id] = [h = std::move(handler)](int) { h(); };
}

void CCmdTarget::OnCommandRange(int first, int last, std::function<void(int)> handler) {
    for (int id = first; id <= last; ++id) m_commands[id] = handler;
}

void CCmdTarget::OnUpdateCommand(int id, std::function<void(CCmdUI*)> handler) {
    m_updates[id] = std::move(handler);
}

void CCmdTarget::OnUpdateCommandRange(int first, int last, std::function<void(CCmdUI*)> handler) {
    for (int id = first; id <= last; ++id) m_updates[id] = handler;
}
