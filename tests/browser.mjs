// node browser.mjs SITE PAGE SOURCE MODULES: the page as a student uses it, in
// Chromium, Firefox and WebKit, served as the site SITE from 127.0.0.1 and
// opened from disk as the one file PAGE. Chromium and Firefox are driven by
// puppeteer-core, WebKit, Safari's engine, by selenium-webdriver through
// WebKitGTK's WebDriver on X's virtual screen (both in the node_modules
// folder MODULES). SOURCE is the source tree, whose rows it walks: every
// golden roster through its lister, added, named at the prompt, listed and
// saved, to its golden bytes; duomatch on its suite's rows that a page can
// get wrong; the names rosters are listed under, Remove, Stop and Ctrl+C,
// Ctrl+D, names the listers find or not, Tab and the terminal's size. Each
// time, the prompt shows before anything is typed, and the status after the
// end. In Chromium, too: a name typed as Android's keyboard and an IME send
// it and pasted, what a screen reader gets, axe-core's WCAG checks, and the
// site installable and kept offline. Exits 77 where there is no browser.
import { spawn } from "node:child_process";
import { existsSync, readdirSync } from "node:fs";
import { copyFile, mkdtemp, readdir, readFile, rm } from "node:fs/promises";
import { writeFile } from "node:fs/promises";
import { createServer } from "node:http";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { basename, extname, join, resolve } from "node:path";
import { argv, exit } from "node:process";
import { pathToFileURL } from "node:url";
import { chromium } from "./chromium.mjs";

const [site, single, source, modules] = argv.slice(2);
const require = createRequire(join(resolve(modules), "x.js"));
const puppeteer = require("puppeteer-core");
const { Builder, By, Key } = require("selenium-webdriver");
const { DriverService } = require("selenium-webdriver/remote");
const { findFreePort } = require("selenium-webdriver/net/portprober");
const prompt = "Enter the input file name: ";
const wait = { timeout: 10000 };

const browsers = [
  {
    name: "Chromium",
    needs: [chromium.executablePath],
    open: (downloads) => puppeteer_page(downloads, chromium),
    also: chromium_rows,
  },
  {
    name: "Firefox",
    needs: ["/usr/bin/firefox-esr"],
    open: (downloads) =>
      puppeteer_page(downloads, {
        browser: "firefox",
        executablePath: "/usr/bin/firefox-esr",
        // Firefox saves downloads where its preferences say.
        extraPrefsFirefox: {
          "browser.download.folderList": 2,
          "browser.download.dir": downloads,
          "browser.download.useDownloadDir": true,
          "browser.download.always_ask_before_handling_new_types": false,
          "browser.download.start_downloads_in_tmp_dir": false,
        },
      }),
  },
  {
    name: "WebKit",
    needs: ["/usr/bin/WebKitWebDriver", "/usr/bin/Xvfb", mini_browser()],
    open: webkit_page,
    // Its WebDriver's key for a character past U+FFFF reaches xterm.js
    // twice: Backspace is tried on one of two bytes in one unit instead.
    last: "ë",
  },
];

// The few methods of puppeteer's Page that walk uses, in selenium-webdriver.
class SeleniumPage {
  static keys = {
    Enter: Key.ENTER,
    Backspace: Key.BACK_SPACE,
    Tab: Key.TAB,
    Control: Key.CONTROL,
    KeyC: "c",
    KeyD: "d",
  };

  constructor(driver) {
    this.driver = driver;
    const key = (name) => SeleniumPage.keys[name];
    const keys = (...steps) => {
      const actions = driver.actions();
      for (const [how, name] of steps) actions[how](key(name));
      return actions.perform();
    };
    const active = () => driver.switchTo().activeElement();
    this.keyboard = {
      // A character at a time, as the keys of a keyboard.
      type: async (text) => {
        for (const { segment } of new Intl.Segmenter().segment(text))
          await (await active()).sendKeys(segment);
      },
      press: (name) => keys(["keyDown", name], ["keyUp", name]),
      down: (name) => keys(["keyDown", name]),
      up: (name) => keys(["keyUp", name]),
    };
  }

  on() {} // WebDriver tells of no page error

  // MiniBrowser stacks a bar under the page for each file it saves: the
  // window has room for them, and the page keeps its height.
  setViewport({ width, height }) {
    return this.driver.manage().window().setRect({ width, height: height + 4000 });
  }

  goto(url) {
    return this.driver.get(url);
  }

  evaluate(fn, ...args) {
    return this.driver.executeScript(
      `return (${fn}).apply(null, arguments)`,
      ...args,
    );
  }

  async waitForFunction(fn, { timeout }, ...args) {
    const end = Date.now() + timeout;
    while (!(await this.evaluate(fn, ...args))) {
      if (Date.now() > end) throw new Error(`timed out: ${fn}`);
      await new Promise((later) => setTimeout(later, 50));
    }
  }

  waitForSelector(selector, options) {
    return this.waitForFunction(
      (selector) => document.querySelector(selector) !== null,
      options,
      selector,
    );
  }

  $eval(selector, fn, ...args) {
    return this.evaluate(
      `(selector, ...args) => (${fn})(document.querySelector(selector), ...args)`,
      selector,
      ...args,
    );
  }

  $$eval(selector, fn, ...args) {
    return this.evaluate(
      `(selector, ...args) => (${fn})([...document.querySelectorAll(selector)], ...args)`,
      selector,
      ...args,
    );
  }

  focus(selector) {
    return this.$eval(selector, (element) => element.focus());
  }

  async click(selector) {
    await this.driver.findElement(By.css(selector)).click();
  }

  async type(selector, text) {
    if (text !== "")
      await this.driver.findElement(By.css(selector)).sendKeys(text);
  }

  async $(selector) {
    const element = await this.driver.findElement(By.css(selector));
    return { uploadFile: (...paths) => element.sendKeys(paths.join("\n")) };
  }
}

const failures = [];
function check(ok, what, detail = "") {
  if (!ok) {
    failures.push(`${where}: ${what}${detail ? `\n${detail}` : ""}`);
    console.log(`FAIL ${where}: ${what}`);
  }
}
let where = "";

// The rosters, and what their listers write for them.
const golden = [];
for (const program of ["csvroster", "wordroster"]) {
  const folder = join(source, "tests/golden", program);
  for (const file of (await readdir(folder)).sort())
    if (file.endsWith(".in"))
      golden.push({
        program,
        name: file,
        path: join(folder, file),
        out: await readFile(join(folder, file.replace(/\.in$/, ".out"))),
      });
}

// duomatch's rows whose two arguments are plain words or quoted text (a
// page types text, not bytes), and blank, empty or past ASCII: what a page
// can get wrong in handing them on.
const verdicts = [];
for (const line of (
  await readFile(join(source, "tests/duomatch.sh"), "utf8")
).split("\n")) {
  const row = /^\s*verdict (.*) "\$(EQ|NE)"$/.exec(line);
  const args = row && words(row[1]);
  if (args?.length === 2 && args.some((arg) => !/^[!-~]+$/.test(arg)))
    verdicts.push({ args, equal: row[2] === "EQ" });
}
function words(text) {
  const found = [];
  const word = /\s*(?:'([^']*)'|([^\s'"$\\]+))/y;
  while (word.lastIndex < text.length) {
    const m = word.exec(text);
    if (m === null) return null;
    found.push(m[1] ?? m[2]);
  }
  return found;
}

// The site, served as any static host serves it. Where release is set, it
// is the version its page and service worker say, as a new release's do.
const types = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript",
  ".css": "text/css",
  ".wasm": "application/wasm",
  ".webmanifest": "application/manifest+json",
  ".png": "image/png",
};
const version = /<title>roster (\S+):/.exec(
  await readFile(join(site, "index.html"), "utf8"),
)[1];
async function serve() {
  const served = { release: null };
  served.server = createServer(async (request, response) => {
    const name =
      new URL(request.url, "http://x").pathname.slice(1) || "index.html";
    try {
      let body = await readFile(join(site, name));
      if (served.release !== null && /\.(html|js)$/.test(name))
        body = String(body).replaceAll(version, served.release);
      response.writeHead(200, {
        "content-type": types[extname(name)] ?? "application/octet-stream",
      });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((ready) => served.server.listen(0, "127.0.0.1", ready));
  served.url = `http://127.0.0.1:${served.server.address().port}/`;
  served.close = () => {
    served.server.close();
    served.server.closeAllConnections();
  };
  return served;
}
const served = await serve();
const origins = [
  ["over HTTP", served.url],
  ["from file://", pathToFileURL(single).href],
];

// Rosters under names of their own: each as the page lists it.
const scratch = await mkdtemp(join(tmpdir(), "roster-page-"));
const fields = join(source, "tests/golden/csvroster/fields.in");
const named = {};
for (const [file, listed] of [
  ["Zoë.csv", "Zoë.csv"],
  ["名单.csv", "名单.csv"],
  [`${"a".repeat(35)}.csv`, `${"a".repeat(35)}.csv`], // 39 bytes: kept
  [`${"b".repeat(36)}.csv`, `${"b".repeat(35)}.csv`], // the extension kept
  [`${"c".repeat(40)}.abcdefg`, `${"c".repeat(31)}.abcdefg`],
  [`${"d".repeat(40)}.abcdefgh`, "d".repeat(39)], // no extension so long
]) {
  named[file] = { path: join(scratch, file), listed };
  await copyFile(fields, named[file].path);
}
// A roster whose listing takes long enough to stop, and its whole report.
const long_roster = join(scratch, "long.csv");
const long_count = 200000;
await writeFile(
  long_roster,
  Array.from({ length: long_count }, (_, i) => `R${i},N${i},8.5\n`).join(""),
);
const long_report = Buffer.from(
  prompt +
    Array.from(
      { length: long_count },
      (_, i) => `Reg. No. = R${i}, Name = N${i}, CGPA = 8.500000\n`,
    ).join(""),
);
let ran = 0;
try {
  for (const { name, needs, open, last = "😀", also } of browsers) {
    const lacking = needs.find((file) => !existsSync(file));
    if (lacking !== undefined) {
      console.log(`skipped ${name}: no ${lacking}`);
      continue;
    }
    for (const [how, url] of origins) {
      where = `${name} ${how}`;
      const downloads = await mkdtemp(join(scratch, "saved-"));
      const { page, close } = await open(downloads);
      try {
        await walk(page, url, downloads, last);
        if (how === "over HTTP") await also?.(page, downloads);
      } finally {
        await close();
      }
      console.log(`${where}: done`);
      ran++;
    }
  }
} finally {
  served.close();
  await rm(scratch, { recursive: true, force: true });
}
if (ran === 0) {
  console.log("skipped: no browser");
  exit(77);
}
for (const failure of failures) console.log(`\n${failure}`);
exit(failures.length === 0 ? 0 : 1);

async function walk(page, url, downloads, last) {
  await page.setViewport({ width: 1000, height: 900 });
  page.on("pageerror", (error) => check(false, `page error: ${error.message}`));
  await page.goto(url);
  await page.waitForSelector("#csvroster:not([disabled])", wait);
  check(
    await page.$eval("#no-rosters", (note) => !note.hidden),
    "the page says no roster is added",
  );
  // The terminal fills its box, to within a column.
  const [box, used] = await page.evaluate(() => [
    document.querySelector(".xterm").clientWidth,
    document.querySelector(".xterm-screen").clientWidth,
  ]);
  check(used <= box && box - used < 40, "the terminal is fitted", `${used} of ${box}`);

  for (const program of ["csvroster", "wordroster"]) {
    const rows = golden.filter((row) => row.program === program);
    await add(
      page,
      rows.map((row) => row.path),
    );
    for (const row of rows) {
      await lister(page, program);
      await page.keyboard.type(row.name);
      await page.keyboard.press("Enter");
      await ended(page, program, 0);
      await saved(page, downloads, program, row.out, row.name);
    }
  }

  for (const { args, equal } of verdicts) {
    for (const [field, text] of [
      ["#first", args[0]],
      ["#second", args[1]],
    ]) {
      await page.$eval(field, (input) => {
        input.value = "";
      });
      await page.type(field, text);
    }
    await page.click("#duomatch button");
    await ended(page, "duomatch", 0);
    await saved(
      page,
      downloads,
      "duomatch",
      Buffer.from(
        `argv[0] = duomatch, argv[1] = ${args[0]}, argv[2] = ${args[1]}\n` +
          `The two strings are ${equal ? "equal" : "not equal"}\n`,
      ),
      args.join(" | "),
    );
  }

  const only_prompt = Buffer.from(prompt);
  const long = "n".repeat(40);
  for (const [typed, message] of [
    ["nope", "Error opening file nope"],
    ["cgpa.in/", "Error opening file cgpa.in/"], // a roster is no folder
    [long, `Error opening file ${long}: name longer than 39 bytes`],
  ]) {
    await lister(page, "csvroster");
    await page.keyboard.type(typed);
    await page.keyboard.press("Enter");
    await ended(page, "csvroster", 1);
    check(
      (await screen(page)).joined.includes(`${prompt}${typed}${message}`),
      `the terminal shows "${message}" after the line typed`,
    );
    await saved(page, downloads, "csvroster", only_prompt, typed);
  }

  // Rosters added while the lister waits are found, each under its name;
  // Backspace in the field takes back the last character, of two UTF-16
  // units, not one unit.
  await lister(page, "csvroster");
  const rosters = Object.values(named);
  await add(
    page,
    rosters.map((roster) => roster.path),
    rosters.map((roster) => roster.listed),
  );
  check(
    await page.$eval("#no-rosters", (note) => note.hidden),
    "the page says no roster is added beside one",
  );
  await page.focus("#line");
  await page.keyboard.type(`Zoë.csv${last}`);
  await page.keyboard.press("Backspace");
  await page.keyboard.press("Enter");
  await ended(page, "csvroster", 0);
  await saved(page, downloads, "csvroster", fields_out(), "Zoë.csv");

  // The root folder's rosters, by a name with a dot or slash before.
  for (const typed of ["./Zoë.csv", "/Zoë.csv"]) {
    await lister(page, "csvroster");
    await page.keyboard.type(typed);
    await page.keyboard.press("Enter");
    await ended(page, "csvroster", 0);
    await saved(page, downloads, "csvroster", fields_out(), typed);
  }

  // A roster removed is no more found, and the focus goes to the picker.
  const gone = `${"a".repeat(35)}.csv`;
  await page.click(`button[aria-label="Remove ${gone}"]`);
  check(
    await page.evaluate(() => document.activeElement.id === "add"),
    "the focus goes to the file picker after Remove",
  );
  await lister(page, "csvroster");
  await page.keyboard.type(gone);
  await page.keyboard.press("Enter");
  await ended(page, "csvroster", 1);
  check(
    (await screen(page)).joined.includes(`Error opening file ${gone}`),
    "a roster removed is not found",
  );

  await lister(page, "csvroster");
  await page.keyboard.down("Control");
  await page.keyboard.press("KeyD");
  await page.keyboard.up("Control");
  await ended(page, "csvroster", 1);
  check(
    (await screen(page)).joined.includes("No input file name given"),
    "Ctrl+D at the prompt ends the input",
  );

  await lister(page, "csvroster");
  await page.keyboard.down("Control");
  await page.keyboard.press("KeyC");
  await page.keyboard.up("Control");
  await ended(page, "csvroster", 130);
  await echoed(page, `${prompt}^C`);

  // Stop ends a long listing; what is saved is the start of its report.
  await add(page, [long_roster]);
  await lister(page, "csvroster");
  await page.keyboard.type("long.csv");
  // Enter, and Stop a little later, as the page's events.
  await page.evaluate(() => {
    document.getElementById("input").requestSubmit();
    setTimeout(() => document.getElementById("stop").click(), 50);
  });
  await ended(page, "csvroster", 130);
  await saved(
    page,
    downloads,
    "csvroster",
    (bytes) =>
      bytes.length < long_report.length &&
      bytes.equals(long_report.subarray(0, bytes.length)),
    "stopped",
  );

  // Tab leaves the terminal.
  await page.focus(".xterm-helper-textarea");
  await page.keyboard.press("Tab");
  check(
    await page.evaluate(
      () => !document.activeElement.matches(".xterm-helper-textarea"),
    ),
    "Tab leaves the terminal",
  );
}

function fields_out() {
  return golden.find((row) => row.path.endsWith("csvroster/fields.in")).out;
}

// Adds rosters with the file picker: each is listed under its name.
async function add(page, paths, names = paths.map((path) => basename(path))) {
  await (await page.$("#add")).uploadFile(...paths);
  await page
    .waitForFunction(
      (names) => {
        const listed = [...document.querySelectorAll("#rosters code")];
        return names.every((name) =>
          listed.some((c) => c.textContent === name),
        );
      },
      wait,
      names,
    )
    .catch(() => check(false, `${names.join(", ")} listed`));
}

// Starts a lister: its prompt shows, and it waits there.
async function lister(page, program) {
  await page.click(`#${program}`);
  const want = prompt.trimEnd();
  await page
    .waitForFunction(
      (want) =>
        [...document.querySelectorAll(".xterm-rows > div")].some(
          (row) => row.textContent.replace(/\u00a0/g, " ").trimEnd() === want,
        ),
      wait,
      want,
    )
    .catch(() => {});
  const { rows } = await screen(page);
  check(
    rows[1] === want && rows.slice(2).every((row) => row === ""),
    `${program} shows its prompt before anything is typed`,
    rows.join("\n"),
  );
  check(
    (await status(page)) === `${program} is running.`,
    `${program} waits at its prompt`,
  );
}

// The terminal's second row comes to be text, as a student sees what was
// typed before going on.
async function echoed(page, text) {
  await page
    .waitForFunction(
      (text) =>
        document
          .querySelectorAll(".xterm-rows > div")[1]
          .textContent.replace(/\u00a0/g, " ")
          .trimEnd() === text,
      wait,
      text.trimEnd(),
    )
    .catch(() => check(false, `the terminal shows ${text}`));
}

async function screen(page) {
  const rows = await page.$$eval(".xterm-rows > div", (rows) =>
    rows.map((row) => row.textContent.replace(/\u00a0/g, " ").trimEnd()),
  );
  // Rows a long line wraps over, run together.
  return { rows, joined: rows.join("") };
}

function status(page) {
  return page.$eval("#status", (element) => element.textContent);
}

async function ended(page, program, code) {
  const want =
    code === 130
      ? `${program} was stopped (status ${code})`
      : `${program} ended with status ${code}`;
  await page
    .waitForFunction(
      () => !/running/.test(document.getElementById("status").textContent),
      wait,
    )
    .catch(() => {});
  check((await status(page)) === `${want}.`, want, await status(page));
  await page
    .waitForFunction(
      (want) =>
        document.querySelector(".xterm-rows").textContent.includes(want),
      wait,
      `[${want}]`,
    )
    .catch(() => check(false, `the terminal shows [${want}]`));
}

// Save output downloads exactly the bytes want.
async function saved(page, downloads, program, want, what) {
  await page.click("#save");
  const file = join(downloads, `${program}-output.txt`);
  let bytes = null;
  for (let i = 0; i < 100 && bytes === null; i++) {
    await new Promise((later) => setTimeout(later, 100));
    const names = await readdir(downloads);
    if (
      names.includes(`${program}-output.txt`) &&
      !names.some((n) => /\.(part|crdownload)$/.test(n))
    )
      bytes = await readFile(file);
  }
  check(
    bytes !== null &&
      (typeof want === "function" ? want(bytes) : bytes.equals(want)),
    `${program}, ${what}: the saved output`,
    bytes === null
      ? "nothing saved"
      : `expected ${JSON.stringify(String(want).slice(0, 500))}\nsaved    ${JSON.stringify(String(bytes).slice(0, 500))}`,
  );
  await rm(file, { force: true });
}

// What Chromium alone is asked: a name typed as touch keyboards and IMEs
// send it, and pasted; what a screen reader gets; WCAG's checks in each
// state; and the site installed, kept offline and replaced by a release.
async function chromium_rows(page, downloads) {
  const cdp = await page.createCDPSession();
  check(
    await page.$eval(
      "#line",
      (line) =>
        line.labels.length === 1 &&
        line.spellcheck === false &&
        line.enterKeyHint === "send" &&
        ["autocapitalize", "autocorrect", "autocomplete"].every(
          (name) => line.getAttribute(name) === "off",
        ),
    ),
    "the field's attributes",
  );
  const android = async (text) => {
    // Both cores busy, as a cheap tablet's often are.
    const busy = [1, 2].map(() =>
      spawn(process.execPath, ["-e", "for (;;);"], { stdio: "ignore" }),
    );
    try {
      for (const c of text) {
        const key = { key: "Unidentified", windowsVirtualKeyCode: 229 };
        await cdp.send("Input.dispatchKeyEvent", { type: "rawKeyDown", ...key });
        await cdp.send("Input.insertText", { text: c });
        await cdp.send("Input.dispatchKeyEvent", { type: "keyUp", ...key });
      }
    } finally {
      for (const process of busy) process.kill();
    }
  };
  const ime = async () => {
    for (const text of ["ming", "名", "名单"])
      await cdp.send("Input.imeSetComposition", {
        text,
        selectionStart: text.length,
        selectionEnd: text.length,
      });
    await cdp.send("Input.insertText", { text: "名单" });
    await page.keyboard.type(".csv");
  };
  const paste = async () => {
    await page.$eval("#first", (first) => {
      first.value = "Zoë.csv";
      first.select();
    });
    await page.focus("#first");
    await page.keyboard.down("Control");
    await page.keyboard.press("KeyC", { commands: ["copy"] });
    await page.focus("#line");
    await page.keyboard.press("KeyV", { commands: ["paste"] });
    await page.keyboard.up("Control");
  };
  for (const [how, type] of [
    ["as Android's keyboard sends it", () => android("Zoë.csv")],
    ["composed through an IME", ime],
    ["pasted", paste],
  ]) {
    await lister(page, "csvroster");
    await type();
    await page.keyboard.press("Enter");
    await ended(page, "csvroster", 0);
    await saved(page, downloads, "csvroster", fields_out(), `typed ${how}`);
  }

  const axe = await readFile(require.resolve("axe-core/axe.min.js"), "utf8");
  const wcag = async (state) => {
    await page.evaluate(axe);
    const found = await page.evaluate(async () => {
      const tags = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa"];
      const { violations } = await window.axe.run({ runOnly: tags });
      return violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target)}`);
    });
    check(found.length === 0, `axe-core finds nothing ${state}`, found.join("\n"));
  };
  await page.reload();
  await page.waitForSelector("#duomatch button:not([disabled])", wait);
  await wcag("once loaded");
  const sample = join(source, "examples/roster.csv");
  await add(page, [sample]);
  await wcag("with a roster added");
  await lister(page, "csvroster");
  await wcag("while a program waits");
  await page.keyboard.type("roster.csv");
  await page.keyboard.press("Enter");
  await ended(page, "csvroster", 0);
  await wcag("after a listing");
  // Each report line, and the prompt, reaches a screen reader once.
  const heard = [];
  (function walk_tree(node) {
    heard.push(node.name ?? "");
    for (const child of node.children ?? []) walk_tree(child);
  })(await page.accessibility.snapshot());
  const report = String(await readFile(sample)).split("\n").filter(Boolean);
  check(
    report.every(
      (line) =>
        heard.filter((name) => name.startsWith(`Reg. No. = ${line.split(",")[0]},`))
          .length === 1,
    ) && heard.includes(`${prompt}roster.csv`),
    "a screen reader hears each report line once, and the prompt",
    heard.join("\n"),
  );
  await page.click("#duomatch button");
  await ended(page, "duomatch", 0);
  await wcag("after duomatch");

  // Kept after one visit: installable, a new release's page at the next
  // visit online, and with the server gone, the page as it was last.
  const site = await serve();
  try {
    await page.goto(site.url);
    await page.evaluate(() => navigator.serviceWorker.ready);
    const { installabilityErrors } = await cdp.send(
      "Page.getInstallabilityErrors",
    );
    check(
      installabilityErrors.length === 0,
      "the site is installable",
      JSON.stringify(installabilityErrors),
    );
    site.release = "9.9.9";
    await page.reload();
    check(
      (await page.$eval("h1 .version", (v) => v.textContent)) === "9.9.9",
      "a new release's page replaces the one kept",
    );
  } finally {
    site.close();
  }
  await page.reload();
  await page.waitForSelector("#csvroster:not([disabled])", wait);
  check(
    (await page.$eval("h1 .version", (v) => v.textContent)) === "9.9.9",
    "the page kept is the last one seen",
  );
  await add(page, [fields]);
  await lister(page, "csvroster");
  await page.keyboard.type("fields.in");
  await page.keyboard.press("Enter");
  await ended(page, "csvroster", 0);
  await saved(page, downloads, "csvroster", fields_out(), "offline");
}

async function puppeteer_page(downloads, options) {
  const browser = await puppeteer.launch({
    headless: true,
    userDataDir: await mkdtemp(join(scratch, "profile-")),
    downloadBehavior: { policy: "allow", downloadPath: downloads },
    ...options,
  });
  return { page: await browser.newPage(), close: () => browser.close() };
}

// WebKitGTK's own small browser, which its WebDriver drives.
function mini_browser() {
  for (const machine of existsSync("/usr/lib") ? readdirSync("/usr/lib") : []) {
    const binary = `/usr/lib/${machine}/webkit2gtk-4.1/MiniBrowser`;
    if (existsSync(binary)) return binary;
  }
  return "/usr/lib/MACHINE/webkit2gtk-4.1/MiniBrowser";
}

// MiniBrowser under WebKitWebDriver, on a virtual screen of its own: it
// saves a download in its home folder, which is downloads.
async function webkit_page(downloads) {
  const screen = spawn("Xvfb", ["-displayfd", "3", "-nolisten", "tcp"], {
    stdio: ["ignore", "ignore", "ignore", "pipe"],
  });
  const display = await new Promise((found) =>
    screen.stdio[3].once("data", (n) => found(`:${String(n).trim()}`)),
  );
  const port = await findFreePort("127.0.0.1");
  const service = new DriverService("/usr/bin/WebKitWebDriver", {
    port,
    args: [`--port=${port}`],
    loopback: true,
    env: { ...process.env, DISPLAY: display, HOME: downloads },
  });
  try {
    const driver = await new Builder()
      .usingServer(await service.start())
      .withCapabilities({
        browserName: "MiniBrowser",
        "webkitgtk:browserOptions": {
          binary: mini_browser(),
          args: ["--automation"],
        },
      })
      .build();
    return {
      page: new SeleniumPage(driver),
      close: async () => {
        await driver.quit().catch(() => {});
        await service.kill();
        screen.kill();
      },
    };
  } catch (error) {
    await service.kill();
    screen.kill();
    throw error;
  }
}
