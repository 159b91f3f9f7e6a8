// Debian's Chromium as puppeteer launches it here: as root, and without
// Google's services, which these machines cannot reach.
export const chromium = {
  executablePath: "/usr/bin/chromium",
  args: [
    "--no-sandbox",
    "--disable-gpu",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
  ],
};
