// The site's service worker: it keeps the page and its modules, so that a
// visit with no network finds them. The network comes first, so that a
// new release replaces what was kept at the next visit online.
const kept = "roster-@VERSION@";
const files = [
  "./",
  "roster.js",
  "roster.css",
  "csvroster.wasm",
  "wordroster.wasm",
  "duomatch.wasm",
  "manifest.webmanifest",
  "icon-192.png",
  "icon-512.png",
];

self.addEventListener("install", (event) => {
  event.waitUntil(
    caches
      .open(kept)
      .then((cache) =>
        cache.addAll(files.map((file) => new Request(file, { cache: "reload" }))),
      )
      .then(() => self.skipWaiting()),
  );
});

// An earlier release's files go once this one's are kept.
self.addEventListener("activate", (event) => {
  event.waitUntil(
    caches
      .keys()
      .then((names) =>
        Promise.all(
          names.filter((n) => n !== kept).map((n) => caches.delete(n)),
        ),
      )
      .then(() => self.clients.claim()),
  );
});

self.addEventListener("fetch", (event) => {
  const { request } = event;
  if (request.method !== "GET") return;
  event.respondWith(
    fetch(request, { cache: "no-cache" }).then(
      (response) => {
        if (response.ok) {
          const copy = response.clone();
          event.waitUntil(
            caches.open(kept).then((cache) => cache.put(request, copy)),
          );
        }
        return response;
      },
      async (error) => {
        const found = await caches.match(request, { ignoreSearch: true });
        if (found === undefined) throw error;
        return found;
      },
    ),
  );
});
