#!/usr/bin/perl
# The board on the far side of the emulated FTDI adapter: connected to the
# socket that QEMU gives the adapter's line, it follows QEMU's trace as it is
# written and, when it sees DTR come back on (the release of a reset) in a
# run that the guest marked for it, sends a few bytes of garbage and the
# loader's banner, as a board does when it starts. The guest's marks, in
# COM1's scratch register: 0xB1 answer every release, 0xB2 answer from the
# second release on, 0xB0 stay silent, 0xB3 a board at 19200 Baud: the
# banner where the adapter's line runs at that rate, else what the PC makes
# of it at the line's rate (UART_MODEL, uart_model_tool; without it a fixed
# garbage); 0x5A ends the run.
#   board_responder.pl TRACE SOCKET [UART_MODEL]
use strict;
use warnings;
use IO::Socket::UNIX;
use Time::HiRes qw(sleep);

my ($trace, $path, $uart_model) = @ARGV;
my $socket;
for (1 .. 400) {
    $socket = IO::Socket::UNIX->new(Type => SOCK_STREAM(), Peer => $path) and last;
    sleep 0.05;
}
die "board responder: cannot connect to $path\n" unless $socket;
$socket->autoflush(1);
my $in;
for (1 .. 400) {
    open($in, '<', $trace) and last;
    sleep 0.05;
}
die "board responder: cannot read $trace\n" unless $in;

my $banner = "\x00\xff\x1b[2J" . "KORVANE loader ready\r\n";
my $board_rate = 19200;
my %received;    # what the PC receives of the banner, by the line's rate
sub received_at {
    my ($rate) = @_;
    return $banner if $rate == $board_rate;
    return "\xf8\x3b\xc6\x84\xd6\x43" unless $uart_model;
    if (!exists $received{$rate}) {
        open(my $tool, '-|', $uart_model, $board_rate, $rate, unpack('H*', $banner))
            or die "board responder: cannot run $uart_model: $!\n";
        my $hex = <$tool> // '';
        close($tool) or die "board responder: $uart_model failed\n";
        chomp $hex;
        $received{$rate} = pack('H*', $hex);
    }
    return $received{$rate};
}
my ($mode, $releases, $dtr, $rate, $pending) = (0, 0, 1, 0, '');
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
    if ($line =~ /:serial_write write addr 0x07 val 0x([0-9a-f]+)/i) {
        my $value = hex $1;
        if ($value >= 0xb0 && $value <= 0xb3) {
            ($mode, $releases) = ($value, 0);
        } elsif ($value == 0x5a) {
            $mode = 0;
        }
    } elsif ($line =~ /:usb_serial_handle_control .* control 0x4001, value 0x([0-9a-f]+)/i) {
        my $value = hex $1;
        next unless ($value >> 8) & 1;    # a request that sets DTR
        my $on = $value & 1;
        if ($on && !$dtr && $mode) {
            $releases++;
            my $answer = $mode == 0xb3 ? received_at($rate)
                       : $mode == 0xb1 || ($mode == 0xb2 && $releases >= 2) ? $banner : '';
            # A loader speaks a while after the release, not before the
            # program has dropped what came during the reset.
            sleep 0.05 if $answer ne '';
            print $socket $answer;
        }
        $dtr = $on;
    } elsif ($line =~ /:usb_serial_set_baud .* (\d+)$/) {
        $rate = $1;
    }
}
