#!/usr/bin/perl
# The far side of a pseudo terminal for korvane-reset's tests: opens a new
# pty, links LINK to its slave, drains whatever the program sends and, with
# a LOG of modem_line_log.so, answers each release of the reset (DTR back
# on) with a control byte and the loader's banner, as a board does when it
# starts. With "off", it is a board whose reset is wired the other way
# round: released when its line goes off, it answers then, during the pulse
# of a plain reset. LINE (dtr or rts) is the line of its reset. With
# BOARD_RATE it sends at its own rate, and the program gets what a PC's UART
# at the rate set on the line receives of it (UART_MODEL_TOOL, the tests'
# one model of that); BOARD_RATE 0 is a dead board. Ended by SIGTERM, it
# closes the master: the slave hangs up, as an unplugged adapter's port
# goes away.
#   pty_peer.pl LINK [LOG [on|off [dtr|rts [BOARD_RATE UART_MODEL_TOOL]]]]
use strict;
use warnings;
use Fcntl;
use Time::HiRes qw(sleep time);

my ($link, $log, $edge, $line, $board_rate, $tool, $delay) = @ARGV;
my $banner = "\x01KORVANE ready\r\n";
my $bit = ($line // 'dtr') eq 'rts' ? 4 : 2;
# The line's bit once the board is released: on, or off for the other wiring.
my $release = ($edge // 'on') eq 'off' ? 0 : $bit;
# The ioctls of x86-64 Linux, the only machine that runs wine here;
# TCGETS2 on the master reads the slave's settings.
use constant { TIOCGPTN => 0x80045430, TIOCSPTLCK => 0x40045431, TCGETS2 => 0x802C542A };

sysopen(my $master, '/dev/ptmx', O_RDWR | O_NOCTTY | O_NONBLOCK) or die "pty_peer: /dev/ptmx: $!\n";
my $number = pack('i', 0);
ioctl($master, TIOCGPTN, $number) or die "pty_peer: TIOCGPTN: $!\n";
my $unlock = pack('i', 0);
ioctl($master, TIOCSPTLCK, $unlock) or die "pty_peer: TIOCSPTLCK: $!\n";
symlink('/dev/pts/' . unpack('i', $number), $link) or die "pty_peer: $link: $!\n";

# The banner as the program receives it: c_ospeed of struct termios2 (after
# four flags, c_line, 19 control characters and c_ispeed) is the line's rate.
my %received;
sub answer {
    return $banner unless defined $board_rate;
    my $settings = "\0" x 44;
    my $rate = ioctl($master, TCGETS2, $settings) ? unpack('L', substr($settings, 40, 4)) : 9600;
    $received{$rate} //= pack('H*', `"$tool" $board_rate $rate @{[unpack('H*', $banner)]}` =~ s/\s+//r);
}

# The banner is made at the release (the model may take a while at a new
# rate) and sent once the log, read again, shows the board not held since.
my ($seen, $state, $due, $pending) = (0, $bit, undef, undef);
for (;;) {
    # Without a slave open the master reads EIO: nothing to do then.
    sysread($master, my $ignored, 4096);
    if (defined $log && open(my $file, '<', $log)) {
        my @lines = <$file>;
        for my $entry (@lines[$seen .. $#lines]) {
            my $now = hex((split ' ', $entry)[3]) & $bit;
            if ($now != $state && ($board_rate // 1) > 0) {
                # Released it starts; held again before it spoke, it never does.
                ($due, $pending) = $now == $release ? (time + ($delay // 20) / 1000, undef) : (undef, undef);
            }
            $state = $now;
        }
        $seen = @lines;
    }
    if (defined $due && !defined $pending) {
        $pending = answer();
        next;
    }
    if (defined $due && time >= $due) {
        syswrite($master, $pending);
        ($due, $pending) = (undef, undef);
    }
    sleep 0.002;
}
