#include "X11ClipboardGuard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <xcb/xcb.h>

namespace {

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const auto cookie = xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// Qt's conversion holds the text as UTF-16 and then as Latin-1.
bool conversionFits(qsizetype textSize)
{
    const std::unique_ptr<char16_t[]> wide(new (std::nothrow) char16_t[std::size_t(textSize)]);
    const std::unique_ptr<char[]> narrow(new (std::nothrow) char[std::size_t(textSize)]);
    return wide && narrow;
}

} // namespace

X11ClipboardGuard::X11ClipboardGuard(xcb_connection_t *connection)
    : connection(connection)
    , clipboardAtom(internAtom(connection, "CLIPBOARD"))
    , textAtom(internAtom(connection, "TEXT"))
{
}

bool X11ClipboardGuard::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    if ((static_cast<xcb_generic_event_t *>(message)->response_type & 0x7f) != XCB_SELECTION_REQUEST)
        return false;
    const auto *request = static_cast<xcb_selection_request_event_t *>(message);
    if (request->selection != clipboardAtom || (request->target != XCB_ATOM_STRING && request->target != textAtom))
        return false;
    const QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard->ownsClipboard() || conversionFits(clipboard->mimeData()->data(QStringLiteral("text/plain")).size()))
        return false;

    xcb_selection_notify_event_t refusal{};
    refusal.response_type = XCB_SELECTION_NOTIFY;
    refusal.time = request->time;
    refusal.requestor = request->requestor;
    refusal.selection = request->selection;
    refusal.target = request->target;
    refusal.property = XCB_NONE;
    char event[32] = {};
    std::memcpy(event, &refusal, sizeof refusal);
    xcb_send_event(connection, false, request->requestor, XCB_EVENT_MASK_NO_EVENT, event);
    xcb_flush(connection);
    return true;
}
