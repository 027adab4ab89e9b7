// Text streams with the C runtime's text-mode rules, built on the platform's
// file calls so the exe needs no C runtime.
#include "platform/textstream.h"

#include "platform/text.h"

namespace {

const char kCtrlZ = 0x1A;

void Init(TextStream* stream, plat::File file, int writing) {
    stream->file = file;
    stream->writing = writing;
    stream->failed = 0;
    stream->ended = 0;
    stream->pos = 0;
    stream->len = 0;
    stream->fileOffset = 0;
}

// Keeps the unread bytes, moved to the front, and reads more behind them.
// 1 when at least one new byte arrived.
int Refill(TextStream* stream) {
    if (stream->file == nullptr || stream->failed) {
        return 0;
    }
    uint32_t keep = stream->len - stream->pos;
    for (uint32_t i = 0; i < keep; i++) {
        stream->buf[i] = stream->buf[stream->pos + i];
    }
    stream->fileOffset += stream->pos;
    stream->pos = 0;
    stream->len = keep;
    if (keep == kTextStreamBuffer) {
        return 0;
    }
    uint32_t got = 0;
    if (!plat::FileRead(stream->file, stream->buf + keep, kTextStreamBuffer - keep, &got)) {
        stream->failed = 1;
        return 0;
    }
    stream->len += got;
    return got > 0 ? 1 : 0;
}

int Flush(TextStream* stream) {
    if (stream->len > 0) {
        if (stream->failed || !plat::FileWrite(stream->file, stream->buf, stream->len)) {
            stream->failed = 1;
        }
        stream->fileOffset += stream->len;
        stream->len = 0;
    }
    return stream->failed ? 0 : 1;
}

void Put(TextStream* stream, char c) {
    if (stream->len == kTextStreamBuffer) {
        Flush(stream);
    }
    stream->buf[stream->len++] = c;
}

}  // namespace

int TextOpenRead(TextStream* stream, const char* path) {
    Init(stream, plat::FileOpenRead(path), 0);
    return stream->file != nullptr ? 1 : 0;
}

int TextOpenWrite(TextStream* stream, const char* path) {
    Init(stream, plat::FileCreate(path), 1);
    return stream->file != nullptr ? 1 : 0;
}

uint32_t TextReadLine(TextStream* stream, char* line, uint32_t size) {
    if (size == 0) {
        return 0;
    }
    uint32_t n = 0;
    while (n + 1 < size && !stream->writing) {
        if (stream->pos == stream->len) {
            if (stream->ended || !Refill(stream)) {
                stream->ended = 1;
                break;
            }
        }
        char c = stream->buf[stream->pos];
        if (c == kCtrlZ) {
            stream->ended = 1;  // the rest of the file is not text
            break;
        }
        if (c == '\r') {
            // The LF may still be in the file: a CR LF split by the buffer.
            if (stream->pos + 1 == stream->len) {
                Refill(stream);
            }
            if (stream->pos + 1 < stream->len && stream->buf[stream->pos + 1] == '\n') {
                stream->pos++;
                c = '\n';
            }
        }
        stream->pos++;
        line[n++] = c;
        if (c == '\n') {
            break;
        }
    }
    line[n] = 0;
    return n;
}

uint32_t TextTell(const TextStream* stream) {
    return stream->fileOffset + (stream->writing ? stream->len : stream->pos);
}

int TextSeek(TextStream* stream, uint32_t offset) {
    if (stream->file == nullptr) {
        return 0;
    }
    if (stream->writing) {
        Flush(stream);
    }
    stream->pos = 0;
    stream->len = 0;
    stream->ended = 0;
    stream->fileOffset = offset;
    if (!plat::FileSeek(stream->file, offset)) {
        stream->failed = 1;
        return 0;
    }
    return 1;
}

int TextWrite(TextStream* stream, const char* text) {
    return TextWriteBytes(stream, text, text::Length(text));
}

int TextWriteBytes(TextStream* stream, const char* text, uint32_t length) {
    if (stream->file == nullptr || !stream->writing) {
        return 0;
    }
    for (uint32_t i = 0; i < length; i++) {
        if (text[i] == '\n') {
            Put(stream, '\r');
        }
        Put(stream, text[i]);
    }
    return stream->failed ? 0 : 1;
}

int TextClose(TextStream* stream) {
    if (stream->file == nullptr) {
        return 0;
    }
    if (stream->writing) {
        Flush(stream);
    }
    int closed = plat::FileClose(stream->file);
    stream->file = nullptr;
    return closed && !stream->failed ? 1 : 0;
}
