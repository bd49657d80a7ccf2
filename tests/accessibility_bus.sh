# Sourced by tests that look at the program as a screen reader does: a private
# session bus carrying the AT-SPI bus, which Qt finds and reports to. Needs
# DISPLAY set; stop_accessibility_bus ends what start_accessibility_bus began.

start_accessibility_bus() {
    local bus
    bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
    session_bus_pid=${bus##*$'\n'}
    /usr/libexec/at-spi-bus-launcher >/dev/null 2>&1 &
    spi_launcher_pid=$!
    # Qt turns accessibility on only for a screen reader, unless told to.
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

stop_accessibility_bus() {
    kill ${spi_launcher_pid:-} ${session_bus_pid:-} 2>/dev/null || true
}
