#!/usr/bin/perl
# A board for --probe on the far side of a pseudo terminal: opens a new pty,
# links LINK to its slave and follows LOG of modem_line_log.so. Held in
# reset while LINE (dtr or rts) is off (on, with "inverted"), it answers each
# release with BANNER sent at BOARD_RATE, as a PC's UART at the rate that
# the program set on the line receives it (uart_model_tool, the tests' one
# model of that); BOARD_RATE 0 is a dead board. Ended by SIGTERM.
#   probe_board.pl LINK LOG LINE direct|inverted BOARD_RATE UART_MODEL_TOOL [BANNER]
use strict;
use warnings;
use Fcntl;
use Time::HiRes qw(sleep);

my ($link, $log, $line, $polarity, $board_rate, $tool, $banner) = @ARGV;
$banner //= "KORVANE ready\r\n";
my $bit = $line eq 'rts' ? 4 : 2;
my $inverted = $polarity eq 'inverted' ? 1 : 0;
# The ioctls of x86-64 Linux; TCGETS2 on the master reads the slave's settings.
use constant { TIOCGPTN => 0x80045430, TIOCSPTLCK => 0x40045431, TCGETS2 => 0x802C542A };

sysopen(my $master, '/dev/ptmx', O_RDWR | O_NOCTTY | O_NONBLOCK) or die "probe_board: /dev/ptmx: $!\n";
my $number = pack('i', 0);
ioctl($master, TIOCGPTN, $number) or die "probe_board: TIOCGPTN: $!\n";
my $unlock = pack('i', 0);
ioctl($master, TIOCSPTLCK, $unlock) or die "probe_board: TIOCSPTLCK: $!\n";
symlink('/dev/pts/' . unpack('i', $number), $link) or die "probe_board: $link: $!\n";

# The line's output rate: c_ospeed of struct termios2, after 4 flags, c_line,
# 19 control characters and c_ispeed.
sub line_rate {
    my $settings = "\0" x 44;
    ioctl($master, TCGETS2, $settings) or return 9600;
    return unpack('L', substr($settings, 40, 4));
}

my %received;    # what the PC receives of the banner, by its rate
sub received_at {
    my ($rate) = @_;
    $received{$rate} //= do {
        my $hex = `"$tool" $board_rate $rate @{[unpack('H*', $banner)]}`;
        chomp $hex;
        pack('H*', $hex);
    };
}

my ($seen, $held) = (0, undef);
for (;;) {
    sysread($master, my $ignored, 4096);
    if (open(my $file, '<', $log)) {
        my @lines = <$file>;
        for my $entry (@lines[$seen .. $#lines]) {
            my $now = (hex((split ' ', $entry)[3]) & $bit ? 1 : 0) == $inverted;
            # The first entry is the lines as the program found them: no edge.
            syswrite($master, received_at(line_rate())) if defined $held && $held && !$now && $board_rate > 0;
            $held = $now;
        }
        $seen = @lines;
    }
    sleep 0.001;
}
