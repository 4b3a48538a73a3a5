// Appended to zelvaro-check.js (the node build). Emscripten's direct file
// access takes the standard streams for terminals always; they are what node
// says they are, so that isatty() tells a terminal from a pipe or a file just
// as the native zelvaro-check does (the report's last line break).
//
// A standard stream the caller closed (zelvaro-check >&-) node replaces, at
// its start, by /dev/null opened for reading and writing, where writes would
// vanish without an error. Such a stream is closed again here, so that the
// program sees it closed as the native one does (and says the report could
// not be written, exit status 2). A shell's own redirection to /dev/null
// opens it for writing or reading alone.
var zelvaroCreateStandardStreams = FS.createStandardStreams;
FS.createStandardStreams = function () {
  zelvaroCreateStandardStreams();
  var tty = require('tty');
  var fs = require('fs');
  var closedByCaller = function (fd) {
    try {
      if (fs.readlinkSync('/proc/self/fd/' + fd) !== '/dev/null') return false;
      var flags = /flags:\s*([0-7]+)/.exec(fs.readFileSync('/proc/self/fdinfo/' + fd, 'utf8'));
      return flags !== null && (parseInt(flags[1], 8) & 3) === 2; // O_RDWR
    } catch (e) {
      return false;
    }
  };
  for (var fd = 0; fd < 3; fd++) {
    if (!FS.streams[fd]) continue;
    if (closedByCaller(fd)) FS.close(FS.streams[fd]);
    else FS.streams[fd].tty = tty.isatty(fd);
  }
};
