#!/usr/bin/perl
# The boards on the far side of the emulated FTDI adapter and of COM1:
# connected to the sockets that QEMU gives their lines, it follows QEMU's
# trace as it is written and, when it sees DTR come back on (the release of
# a reset) in a run that the guest marked for that board, sends what the PC
# receives of the loader's banner, as a board does when it starts. The
# guest's marks, in COM1's scratch register: behind the adapter 0xB1 answer
# every release, 0xB2 answer from the second release on, 0xB0 stay silent,
# 0xB3 a board at 20000 Baud; on COM1 0xB4 a board at 19200 Baud; 0x5A ends
# the run. The boards of 0xB3 and 0xB4 send at their own rate: the PC gets
# the banner where its line runs at that rate, else what it makes of it at
# the line's rate (UART_MODEL, uart_model_tool; without it a fixed garbage).
# The adapter's rate is QEMU's usb_serial_set_baud; COM1's is 115200 / the
# divisor latch (DLL, DLM written while LCR's bit 7 is set), and its DTR
# bit 0 of the modem control register.
#   board_responder.pl TRACE ADAPTER_SOCKET COM1_SOCKET [UART_MODEL]
use strict;
use warnings;
use IO::Socket::UNIX;
use Time::HiRes qw(sleep);

my ($trace, $adapter_path, $com1_path, $uart_model) = @ARGV;
sub connected {
    my ($path) = @_;
    for (1 .. 400) {
        my $socket = IO::Socket::UNIX->new(Type => SOCK_STREAM(), Peer => $path);
        if ($socket) {
            $socket->autoflush(1);
            return $socket;
        }
        sleep 0.05;
    }
    die "board responder: cannot connect to $path\n";
}
my $adapter = connected($adapter_path);
my $com1 = connected($com1_path);
my $in;
for (1 .. 400) {
    open($in, '<', $trace) and last;
    sleep 0.05;
}
die "board responder: cannot read $trace\n" unless $in;

my $banner = "\x00\xff\x1b[2J" . "KORVANE loader ready\r\n";
my %received;    # what the PC receives of the banner, by board rate and line rate
sub received_at {
    my ($board_rate, $rate) = @_;
    return $banner if $rate == $board_rate;
    return "\xf8\x3b\xc6\x84\xd6\x43" unless $uart_model;
    if (!exists $received{"$board_rate:$rate"}) {
        open(my $tool, '-|', $uart_model, $board_rate, $rate, unpack('H*', $banner))
            or die "board responder: cannot run $uart_model: $!\n";
        my $hex = <$tool> // '';
        close($tool) or die "board responder: $uart_model failed\n";
        chomp $hex;
        $received{"$board_rate:$rate"} = pack('H*', $hex);
    }
    return $received{"$board_rate:$rate"};
}
# A loader speaks a while after the release, not before the program has
# dropped what came during the reset.
sub answer {
    my ($socket, $text) = @_;
    return if $text eq '';
    sleep 0.05;
    print $socket $text;
}
my ($mode, $releases, $dtr, $rate, $pending) = (0, 0, 1, 0, '');
my ($lcr, $com1_dtr, @latch) = (0, 1, 12, 0);    # COM1: 9600 Baud until the driver sets it
while (1) {
    my $read = <$in>;
    if (!defined $read) {
        sleep 0.01;
        seek($in, 0, 1);    # clears end of file, to read what QEMU writes next
        next;
    }
    $pending .= $read;
    next unless $pending =~ /\n\z/;
    my $line = $pending;
    $pending = '';
    if ($line =~ /:serial_write write addr 0x0([0-7]) val 0x([0-9a-f]+)/i) {
        my ($register, $value) = ($1, hex $2);
        if ($register == 7 && $value >= 0xb0 && $value <= 0xb4) {
            ($mode, $releases) = ($value, 0);
        } elsif ($register == 7 && $value == 0x5a) {
            $mode = 0;
        } elsif ($register == 3) {
            $lcr = $value;
        } elsif ($register <= 1 && $lcr & 0x80) {
            $latch[$register] = $value;
        } elsif ($register == 4) {
            my $on = $value & 1;
            my $divisor = $latch[0] + 256 * $latch[1];
            answer($com1, received_at(19200, 115200 / $divisor)) if $on && !$com1_dtr && $mode == 0xb4 && $divisor;
            $com1_dtr = $on;
        }
    } elsif ($line =~ /:usb_serial_handle_control .* control 0x4001, value 0x([0-9a-f]+)/i) {
        my $value = hex $1;
        next unless ($value >> 8) & 1;    # a request that sets DTR
        my $on = $value & 1;
        if ($on && !$dtr && $mode) {
            $releases++;
            answer($adapter, $mode == 0xb3 ? received_at(20000, $rate)
                           : $mode == 0xb1 || ($mode == 0xb2 && $releases >= 2) ? $banner : '');
        }
        $dtr = $on;
    } elsif ($line =~ /:usb_serial_set_baud .* (\d+)$/) {
        $rate = $1;
    }
}
