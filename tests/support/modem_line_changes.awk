# The changes of DTR and RTS in a log of modem_line_log.so: one line a
# change, with the milliseconds since the change before (0 for the first)
# and the lines after it in hexadecimal, from both on as a port opens.
#   awk -f modem_line_changes.awk LOG
BEGIN { lines = "006" }
$4 != lines {
    printf "%.3f %s\n", count++ ? ($1 - before) * 1000 : 0, $4
    before = $1
    lines = $4
}
