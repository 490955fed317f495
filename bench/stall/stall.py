#!/usr/bin/python3
# stall.py WINDOW SECONDS [INTERVAL]: how long the program behind an X window
# keeps its event loop waiting. Sends _NET_WM_PING to WINDOW every INTERVAL
# seconds (default 0.05) for SECONDS and times each answer (a Qt window echoes
# the ping to the root window from its event loop). Prints
# "stall max_ms=N p99_ms=N pings=N lost=N"; a ping unanswered at the end
# counts as waited until then. Needs Debian's python3-xlib (run with
# /usr/bin/python3) and no window manager on the display.
import select
import sys
import time

from Xlib import X, display, protocol

win_id, seconds = int(sys.argv[1], 0), float(sys.argv[2])
interval = float(sys.argv[3]) if len(sys.argv) > 3 else 0.05
d = display.Display()
root = d.screen().root
root.change_attributes(event_mask=X.SubstructureNotifyMask | X.StructureNotifyMask)
ping = d.intern_atom("_NET_WM_PING")
protocols = d.intern_atom("WM_PROTOCOLS")
win = d.create_resource_object("window", win_id)
waits, sent, seq = [], {}, 0
end = time.monotonic() + seconds
next_send = time.monotonic()
while time.monotonic() < end:
    now = time.monotonic()
    if now >= next_send and not sent:
        seq += 1
        ev = protocol.event.ClientMessage(window=win, client_type=protocols,
                                          data=(32, [ping, seq, win_id, 0, 0]))
        win.send_event(ev, event_mask=0)
        d.flush()
        sent[seq] = now
        next_send = now + interval
    timeout = max(0.0, min(end, next_send if not sent else end) - time.monotonic())
    if d.pending_events() == 0:
        select.select([d.fileno()], [], [], min(timeout, 0.01))
    while d.pending_events():
        e = d.next_event()
        if e.type == X.ClientMessage and e.client_type == protocols:
            fmt, data = e.data
            if data[0] == ping and data[1] in sent:
                waits.append(time.monotonic() - sent.pop(data[1]))
lost = len(sent)
for t in sent.values():
    waits.append(end - t)
waits.sort()
if not waits:
    print("stall max_ms=-1 p99_ms=-1 pings=0 lost=0")
    sys.exit(1)
p99 = waits[min(len(waits) - 1, int(len(waits) * 0.99))]
print("stall max_ms=%d p99_ms=%d pings=%d lost=%d" % (waits[-1] * 1000, p99 * 1000, len(waits), lost))
