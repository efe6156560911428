// Keeps the site for use without a network: every answer from the network
// is stored, and the stored one is used when the network fails. The
// network comes first, so a new build is seen at once.
"use strict";

const store = "kvrsetup";
const site = ["./", "index.html", "de.html", "serial.js", "page.js", "page.css", "kvrsetup.js", "kvrsetup.wasm",
              "manifest.webmanifest", "icon.svg"];

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(store).then((cache) => cache.addAll(site)).then(() => self.skipWaiting()));
});

self.addEventListener("activate", (event) => event.waitUntil(self.clients.claim()));

self.addEventListener("fetch", (event) => {
  if (event.request.method !== "GET") return;
  event.respondWith(
    fetch(event.request)
      .then((answer) => {
        if (answer.ok) {
          const copy = answer.clone();
          caches.open(store).then((cache) => cache.put(event.request, copy));
        }
        return answer;
      })
      .catch(() => caches.match(event.request, { ignoreSearch: true }).then((kept) => kept || Response.error())),
  );
});
