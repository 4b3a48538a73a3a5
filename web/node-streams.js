// Appended to zelvaro-check.js (the node build). Emscripten's direct file
// access takes the standard streams for terminals always; they are what node
// says they are, so that isatty() tells a terminal from a pipe or a file just
// as the native zelvaro-check does (the report's last line break).
var zelvaroCreateStandardStreams = FS.createStandardStreams;
FS.createStandardStreams = function () {
  zelvaroCreateStandardStreams();
  var tty = require('tty');
  for (var fd = 0; fd < 3; fd++) {
    if (FS.streams[fd]) FS.streams[fd].tty = tty.isatty(fd);
  }
};
