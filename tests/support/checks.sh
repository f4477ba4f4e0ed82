# Sourced by the shell tests that compare what a program did with what was
# expected, one line each: "ok: WHAT", or "FAILED: WHAT" with both texts.
passed=0
failed=0

# check WHAT EXPECTED ACTUAL
check() {
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
        echo "ok: $1"
    else
        failed=$((failed + 1))
        printf 'FAILED: %s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$3"
    fi
}

# The counts; the test's status, last.
checks_done() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
