#pragma once
#include <QAbstractNativeEventFilter>

struct xcb_connection_t;

// Another program asking for the clipboard as STRING or TEXT makes Qt convert
// the whole text, twice over, inside its own X11 event handling, where no
// handler of ours could catch running out of memory. Where that memory cannot
// be had, the request is refused here, as the X protocol allows, and the
// asking program hears so at once.
class X11ClipboardGuard : public QAbstractNativeEventFilter
{
public:
    explicit X11ClipboardGuard(xcb_connection_t *connection);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    xcb_connection_t *connection;
    unsigned clipboardAtom;
    unsigned textAtom;
};
