// The browser side of the engine's file backend (file_web.cpp), linked with
// --js-library. It owns the files the user picked: `RomFiles.add` takes
// {file: File} or {handle: FileSystemFileHandle} from the window and gives
// back the name the engine opens it by. Every call answers with a number: a handle, a
// count or 0 on success, or minus one of the error codes below, which
// file_web.cpp turns into a std::error_code of the browser's file category.
// A function whose name begins qorvane_async_ waits on the browser's
// promises under Asyncify, and catches every failure: a rejected promise
// would never wake its caller.
//
// Reads take exactly the bytes asked for, through Blob.slice of the file as
// it was when opened. A file opened for writing through a handle is written
// in place: its writable stream (a swap copy the browser keeps until
// close() commits it) takes each write at its position; the stream's
// close() is the sync, and abort() on any failure leaves the file as it
// was. A file with no handle (a browser without the File System Access API)
// is never changed: its writes are kept, and the sync makes the converted
// copy, a Blob of slices of the original and the written runs (no copy of
// the whole file in memory), named as the file and typed as bytes, kept in
// `RomFiles.converted` for the window to save. Either way the engine reads
// only before it writes.
//
// After an aborted stream the file holds its old bytes again, so writing
// back bytes just as they were read from there (the engine's restore)
// succeeds without touching the file; any other write then fails.

mergeInto(LibraryManager.library, {
  $RomFiles: {
    // The DOMException names and their codes; any other failure is 11.
    // file_web.cpp gives each code its reason.
    codes: {
      NotFoundError: 1,
      NotAllowedError: 2,
      SecurityError: 3,
      NoModificationAllowedError: 4,
      NotReadableError: 5,
      QuotaExceededError: 6,
      InvalidStateError: 7,
      InvalidModificationError: 8,
      TypeMismatchError: 9,
      AbortError: 10,
    },
    otherError: 11,
    picked: null,  // a Map: the engine's name -> {file} or {handle}
    open: null,    // a Map: handle -> the open file's state
    next: 0,
    converted: null,    // {name, blob}: the last converted copy

    // Minus the code of `error`, for a call's answer.
    failure: function(error) {
      const name = error && error.name;
      return -(RomFiles.codes.hasOwnProperty(name) ? RomFiles.codes[name]
                                                    : RomFiles.otherError);
    },

    // Keeps a picked {file} or {handle} and returns its name for the
    // engine: the file's own name, or, for another file of the same name,
    // that name in a folder of its own (2/, 3/, ...).
    add: async function(entry) {
      const same = async (a, b) => a.handle && b.handle
          ? a.handle.isSameEntry(b.handle)
          : Boolean(a.file && b.file && a.file.size === b.file.size &&
                    a.file.lastModified === b.file.lastModified);
      const name = (entry.handle || entry.file).name;
      let path = name;
      for (let n = 2; RomFiles.picked.has(path) &&
                      !(await same(RomFiles.picked.get(path), entry));
           ++n) {
        path = n + "/" + name;
      }
      RomFiles.picked.set(path, entry);
      return path;
    },

    // The copy a sync made of the file `open` and its written runs, as a
    // Blob of slices.
    copyOf: function(open) {
      const runs = open.runs.slice().sort((a, b) => a.offset - b.offset);
      const parts = [];
      let at = 0;
      for (const run of runs) {
        if (run.offset < at || run.offset + run.bytes.length > open.file.size) {
          throw new DOMException("", "InvalidStateError");
        }
        parts.push(open.file.slice(at, run.offset), run.bytes);
        at = run.offset + run.bytes.length;
      }
      parts.push(open.file.slice(at));
      return new Blob(parts, {type: "application/octet-stream"});
    },

    // A failed write or commit: the stream aborted, the kept runs dropped
    // (from then on only the engine's restore may write); minus the code.
    abort: async function(open, error) {
      if (open) {
        if (open.writable) await open.writable.abort().catch(() => {});
        open.writable = null;
        open.runs = open.runs && [];
        open.aborted = true;
      }
      return RomFiles.failure(error);
    },
  },

  // (Made here: the library's objects are written out as literals.)
  $RomFiles__postset: 'RomFiles.picked = new Map(); RomFiles.open = new Map();',

  // Opens the picked file `path` names: a handle (> 0). `write`: the caller
  // means to write; write permission is asked for here, once.
  qorvane_async_rom_open__deps: ['$RomFiles'],
  qorvane_async_rom_open: function(path, write) {
    return Asyncify.handleAsync(async () => {
      try {
        const entry = RomFiles.picked.get(UTF8ToString(path));
        if (!entry) throw new DOMException("", "NotFoundError");
        const open = {handle: null, file: null, writable: null, runs: null,
                      aborted: false, seen: []};
        if (entry.handle) {
          open.file = await entry.handle.getFile();
          if (write && entry.handle.createWritable) {
            const mode = {mode: "readwrite"};
            if ((await entry.handle.queryPermission(mode)) !== "granted" &&
                (await entry.handle.requestPermission(mode)) !== "granted") {
              throw new DOMException("", "NotAllowedError");
            }
            open.handle = entry.handle;
          }
        } else {
          open.file = entry.file;
        }
        if (write && !open.handle) open.runs = [];
        RomFiles.open.set(++RomFiles.next, open);
        return RomFiles.next;
      } catch (error) {
        return RomFiles.failure(error);
      }
    });
  },

  // Reads up to `length` bytes at `offset` into `buffer`: the count.
  qorvane_async_rom_read__deps: ['$RomFiles'],
  qorvane_async_rom_read: function(handle, buffer, length, offset) {
    return Asyncify.handleAsync(async () => {
      try {
        const open = RomFiles.open.get(handle);
        const part = open.file.slice(offset, offset + length);
        const bytes = new Uint8Array(await part.arrayBuffer());
        open.seen.push({offset: offset, bytes: bytes});
        HEAPU8.set(bytes, buffer);
        return bytes.length;
      } catch (error) {
        return RomFiles.failure(error);
      }
    });
  },

  // Writes `length` bytes at `offset`: the count. A failed write aborts
  // the stream.
  qorvane_async_rom_write__deps: ['$RomFiles'],
  qorvane_async_rom_write: function(handle, data, length, offset) {
    return Asyncify.handleAsync(async () => {
      const open = RomFiles.open.get(handle);
      try {
        const bytes = HEAPU8.slice(data, data + length);
        if (open.aborted) {
          const same = seen => seen.offset === offset &&
              seen.bytes.length === length &&
              seen.bytes.every((byte, i) => byte === bytes[i]);
          if (!open.seen.some(same)) {
            throw new DOMException("", "InvalidStateError");
          }
        } else if (open.runs) {
          open.runs.push({offset: offset, bytes: bytes});
        } else {
          if (!open.writable) {
            open.writable =
                await open.handle.createWritable({keepExistingData: true});
          }
          await open.writable.write(
              {type: "write", position: offset, data: bytes});
        }
        return length;
      } catch (error) {
        return RomFiles.abort(open, error);
      }
    });
  },

  // Commits what was written: closes the stream, or makes the converted
  // copy. 0.
  qorvane_async_rom_sync__deps: ['$RomFiles'],
  qorvane_async_rom_sync: function(handle) {
    return Asyncify.handleAsync(async () => {
      const open = RomFiles.open.get(handle);
      try {
        if (open.writable) {
          const writable = open.writable;
          open.writable = null;
          await writable.close();
        } else if (open.runs && open.runs.length) {
          RomFiles.converted = {name: open.file.name, blob: RomFiles.copyOf(open)};
          open.runs = [];
        }
        return 0;
      } catch (error) {
        return RomFiles.abort(open, error);
      }
    });
  },

  // Forgets the handle; a stream never committed is aborted. 0.
  qorvane_async_rom_close__deps: ['$RomFiles'],
  qorvane_async_rom_close: function(handle) {
    return Asyncify.handleAsync(async () => {
      try {
        const open = RomFiles.open.get(handle);
        RomFiles.open.delete(handle);
        if (open.writable) await open.writable.abort();
        return 0;
      } catch (error) {
        return RomFiles.failure(error);
      }
    });
  },
});
