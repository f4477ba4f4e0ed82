#!/usr/bin/perl
# The far side of a pseudo terminal for korvane-reset's tests: opens a new
# pty, links LINK to its slave, drains whatever the program sends and, with
# a LOG of modem_line_log.so, answers each release of the reset (DTR back
# on) with a control byte and the loader's banner, as a board does when it
# starts. With "off", it is a board whose reset is wired the other way
# round: released when DTR goes off, it answers then, during the pulse of a
# plain reset. Ended by SIGTERM, it closes the master: the slave hangs up,
# as an unplugged adapter's port goes away.
#   pty_peer.pl LINK [LOG [on|off]]
use strict;
use warnings;
use Fcntl;
use Time::HiRes qw(sleep);

my ($link, $log, $edge) = @ARGV;
# DTR's bit once the board is released: on, or off for the other wiring.
my $release = ($edge // 'on') eq 'off' ? 0 : 2;
# TIOCGPTN and TIOCSPTLCK of x86-64 Linux, the only machine that runs wine here.
use constant { TIOCGPTN => 0x80045430, TIOCSPTLCK => 0x40045431 };

sysopen(my $master, '/dev/ptmx', O_RDWR | O_NOCTTY | O_NONBLOCK) or die "pty_peer: /dev/ptmx: $!\n";
my $number = pack('i', 0);
ioctl($master, TIOCGPTN, $number) or die "pty_peer: TIOCGPTN: $!\n";
my $unlock = pack('i', 0);
ioctl($master, TIOCSPTLCK, $unlock) or die "pty_peer: TIOCSPTLCK: $!\n";
symlink('/dev/pts/' . unpack('i', $number), $link) or die "pty_peer: $link: $!\n";

my ($seen, $dtr) = (0, 2);
for (;;) {
    # Without a slave open the master reads EIO: nothing to do then.
    sysread($master, my $ignored, 4096);
    if (defined $log && open(my $file, '<', $log)) {
        my @lines = <$file>;
        for my $line (@lines[$seen .. $#lines]) {
            my $on = hex((split ' ', $line)[3]) & 2;
            syswrite($master, "\x01KORVANE ready\r\n") if $on != $dtr && $on == $release;
            $dtr = $on;
        }
        $seen = @lines;
    }
    sleep 0.002;
}
