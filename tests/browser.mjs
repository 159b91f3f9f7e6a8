// node browser.mjs SITE PAGE SOURCE MODULES: the page as a student uses it, in
// Chromium, Firefox and WebKit, served as the site SITE from 127.0.0.1 and
// opened from disk as the one file PAGE. Chromium and Firefox are driven by
// puppeteer-core (in the node_modules folder MODULES), WebKit, Safari's
// engine, by WebKitGTK's WebDriver on X's virtual screen (a page of
// puppeteer's methods over WebDriver, below). SOURCE is the source tree, whose
// rows it walks: every golden roster through its lister, added, named at the
// prompt, listed and saved, to its golden bytes; duomatch on its suite's rows
// that a page can type; a missing file, a roster named as a folder, a long
// name, Backspace and Ctrl+D at the prompt. Each time, the prompt shows before
// anything is typed, and the status after the end. Exits 77 where there is no
// browser.
import { spawn } from "node:child_process";
import { existsSync, readdirSync } from "node:fs";
import { mkdtemp, readdir, readFile, rm, copyFile } from "node:fs/promises";
import { createServer } from "node:http";
import { createServer as createNetServer } from "node:net";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { basename, extname, join, resolve } from "node:path";
import { argv, exit } from "node:process";
import { pathToFileURL } from "node:url";
import { chromium } from "./chromium.mjs";

const [site, single, source, modules] = argv.slice(2);
const puppeteer = createRequire(join(resolve(modules), "x.js"))(
  "puppeteer-core",
);
const prompt = "Enter the input file name: ";
const wait = { timeout: 10000 };

const browsers = [
  {
    name: "Chromium",
    needs: [chromium.executablePath],
    open: (downloads) => puppeteer_page(downloads, chromium),
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
    needs: ["/usr/bin/WebKitWebDriver", "/usr/bin/xvfb-run", mini_browser()],
    open: webkit_page,
    // Its WebDriver's key for a character past U+FFFF reaches xterm.js
    // twice: Backspace is tried on one of two bytes in one unit instead.
    last: "ë",
  },
];

// The few methods of puppeteer's Page that walk uses, over WebDriver.
class WebDriverPage {
  static keys = {
    Enter: "\ue007",
    Backspace: "\ue003",
    Control: "\ue009",
    KeyD: "d",
  };

  constructor(session) {
    this.session = session;
    const keys = (actions) =>
      this.call("POST", "/actions", {
        actions: [{ type: "key", id: "keyboard", actions }],
      });
    const key = (name) => WebDriverPage.keys[name];
    this.keyboard = {
      type: (text) =>
        keys(
          Array.from(new Intl.Segmenter().segment(text), ({ segment }) => [
            { type: "keyDown", value: segment },
            { type: "keyUp", value: segment },
          ]).flat(),
        ),
      press: (name) =>
        keys([
          { type: "keyDown", value: key(name) },
          { type: "keyUp", value: key(name) },
        ]),
      down: (name) => keys([{ type: "keyDown", value: key(name) }]),
      up: (name) => keys([{ type: "keyUp", value: key(name) }]),
    };
  }

  call(method, path, body) {
    return webdriver(this.session + path, method, body);
  }

  on() {} // WebDriver tells of no page error

  // MiniBrowser stacks a bar under the page for each file it saves: the
  // window has room for them, and the page keeps its height.
  setViewport({ width, height }) {
    return this.call("POST", "/window/rect", { width, height: height + 4000 });
  }

  goto(url) {
    return this.call("POST", "/url", { url });
  }

  evaluate(fn, ...args) {
    return this.call("POST", "/execute/sync", {
      script: `return (${fn}).apply(null, arguments)`,
      args,
    });
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

  async element(selector) {
    const found = await this.call("POST", "/element", {
      using: "css selector",
      value: selector,
    });
    return `/element/${Object.values(found)[0]}`;
  }

  async click(selector) {
    await this.call("POST", `${await this.element(selector)}/click`, {});
  }

  async type(selector, text) {
    if (text !== "")
      await this.call("POST", `${await this.element(selector)}/value`, {
        text,
      });
  }

  async $(selector) {
    const element = await this.element(selector);
    return {
      uploadFile: (...paths) =>
        this.call("POST", `${element}/value`, { text: paths.join("\n") }),
    };
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

// duomatch's rows whose two arguments are plain words or quoted text: a
// page types text, not bytes.
const verdicts = [];
for (const line of (
  await readFile(join(source, "tests/duomatch.sh"), "utf8")
).split("\n")) {
  const row = /^\s*verdict (.*) "\$(EQ|NE)"$/.exec(line);
  const args = row && words(row[1]);
  if (args?.length === 2) verdicts.push({ args, equal: row[2] === "EQ" });
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

// The site, served as any static host serves it.
const types = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript",
  ".css": "text/css",
  ".wasm": "application/wasm",
};
const server = createServer(async (request, response) => {
  const name =
    new URL(request.url, "http://x").pathname.slice(1) || "index.html";
  try {
    const body = await readFile(join(site, name));
    response.writeHead(200, {
      "content-type": types[extname(name)] ?? "application/octet-stream",
    });
    response.end(body);
  } catch {
    response.writeHead(404).end();
  }
});
await new Promise((ready) => server.listen(0, "127.0.0.1", ready));
const origins = [
  ["over HTTP", `http://127.0.0.1:${server.address().port}/`],
  ["from file://", pathToFileURL(single).href],
];

const scratch = await mkdtemp(join(tmpdir(), "roster-page-"));
const accented = join(scratch, "Zoë.csv");
await copyFile(join(source, "tests/golden/csvroster/fields.in"), accented);
let ran = 0;
try {
  for (const { name, needs, open, last = "😀" } of browsers) {
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
      } finally {
        await close();
      }
      console.log(`${where}: done`);
      ran++;
    }
  }
} finally {
  server.close();
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
      (await screen(page)).joined.includes(message),
      `the terminal shows "${message}"`,
    );
    await saved(page, downloads, "csvroster", only_prompt, typed);
  }

  // Backspace takes back the last character, of two UTF-16 units, not one
  // unit; a roster added while the lister waits is found, as on a disk.
  await lister(page, "csvroster");
  await add(page, [accented]);
  await page.focus(".xterm-helper-textarea");
  await page.keyboard.type(`Zoë.csv${last}`);
  await echoed(page, `${prompt}Zoë.csv${last}`);
  await page.keyboard.press("Backspace");
  await echoed(page, `${prompt}Zoë.csv`);
  await page.keyboard.press("Enter");
  await ended(page, "csvroster", 0);
  await saved(
    page,
    downloads,
    "csvroster",
    golden.find((row) => row.path.endsWith("csvroster/fields.in")).out,
    "Zoë.csv",
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
}

// Adds rosters with the file picker: each is listed under its name.
async function add(page, paths) {
  await (await page.$("#add")).uploadFile(...paths);
  const names = paths.map((path) => basename(path));
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
  const want = `${program} ended with status ${code}`;
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
    bytes !== null && bytes.equals(want),
    `${program}, ${what}: the saved output`,
    bytes === null
      ? "nothing saved"
      : `expected ${JSON.stringify(want.toString())}\nsaved    ${JSON.stringify(bytes.toString())}`,
  );
  await rm(file, { force: true });
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
  const port = await new Promise((found) => {
    const probe = createNetServer().listen(0, "127.0.0.1", () => {
      const { port } = probe.address();
      probe.close(() => found(port));
    });
  });
  const driver = spawn(
    "xvfb-run",
    ["-a", "WebKitWebDriver", `--port=${port}`],
    {
      env: { ...process.env, HOME: downloads },
      detached: true,
      stdio: "ignore",
    },
  );
  const base = `http://127.0.0.1:${port}`;
  const capabilities = {
    alwaysMatch: {
      "webkitgtk:browserOptions": {
        binary: mini_browser(),
        args: ["--automation"],
      },
    },
  };
  let session = null;
  for (let i = 0; i < 100 && session === null; i++) {
    try {
      session = await webdriver(`${base}/session`, "POST", { capabilities });
    } catch {
      await new Promise((later) => setTimeout(later, 100));
    }
  }
  if (session === null) throw new Error("WebKitWebDriver did not start");
  const page = new WebDriverPage(`${base}/session/${session.sessionId}`);
  return {
    page,
    close: async () => {
      await webdriver(page.session, "DELETE").catch(() => {});
      process.kill(-driver.pid);
    },
  };
}

async function webdriver(url, method, body) {
  const response = await fetch(url, {
    method,
    headers: { "content-type": "application/json" },
    body: body && JSON.stringify(body),
  });
  const { value } = await response.json();
  if (value?.error) throw new Error(`${value.error}: ${value.message}`);
  return value;
}
