// Debian's chromium as the page's tests and benchmark start it: headless,
// without the background traffic that this machine's closed network refuses.
import { chromium } from 'playwright-core';

export function launchChromium() {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
}
