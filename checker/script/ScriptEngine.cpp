#include "checker/script/ScriptEngine.h"

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "checker/script/ConditionalCompilation.h"
#include "checker/script/DomStandIn.h"
#include "checker/script/DuktapeConfig.h"
#include "checker/script/FunctionBindings.h"
#include "duktape.h"

namespace {

// The size kept before each block, so that memory in use is known.
const size_t BlockHeader = sizeof(max_align_t);

}  // namespace

struct ScriptHeap {
    duk_context* ctx = nullptr;
    ScriptBudget budget;
    ScriptPage* page = nullptr;
    unsigned long long instructions = 0;
    unsigned long long readingInstructions = 0;  // while the page reader makes the page's elements
    bool reading = false;
    bool overBudget = false;
    size_t used = 0;
    bool overMemory = false;
    // Refused memory twice within a 64th of its budget allocated: what it
    // holds fills the budget but for that, and each allocation may cost the
    // engine a collection of the whole heap. Its scripts end at the next
    // check.
    bool full = false;
    bool refused = false;
    size_t allocatedSinceRefusal = 0;
    bool dead = false;       // stopped for good: no more of the page's scripts run
    bool broken = false;     // by a fatal error: the heap is not touched again
    jmp_buf fatal;           // where a fatal error of the engine lands
    int depth = 0;           // of calls into the engine, one inside another
    std::vector<ScriptLines> chunks;  // the code of each compiled script, by its file name "sN"
    std::string written;
    std::vector<size_t> writers;
    bool wroteOrBuilt = false;  // the running script wrote markup or built an element
    size_t fallback = 0;        // the place of code no script frame stands for
    std::set<long> clicked;
    std::vector<ScriptStop> stops;
    std::string compiling;  // code being compiled from a string, kept here across the engine's unwinding
    ConditionalCompilation conditional;  // the page's, shared by its scripts as the viewer's engine shares it
};

extern "C" duk_bool_t TipstartScriptOverBudget(void* udata, long instructions)
{
    // Making the page's elements is the reader's work, not the scripts': it
    // has a budget of its own, ten times theirs, against a page whose
    // scripts hook it.
    ScriptHeap* heap = static_cast<ScriptHeap*>(udata);
    unsigned long long limit = heap->budget.instructions;
    if (heap->overBudget || heap->full) {
        return true;
    }
    unsigned long long run = instructions > 0 ? static_cast<unsigned long long>(instructions) : 0;
    unsigned long long* count = heap->reading ? &heap->readingInstructions : &heap->instructions;
    *count += run;
    heap->overBudget = *count > (heap->reading ? limit * 10 : limit);
    return heap->overBudget;
}

namespace {

// Whether size more bytes are past the budget: a refusal, counted.
bool Refused(ScriptHeap* heap, size_t size)
{
    if (size <= heap->budget.memory - std::min(heap->used, heap->budget.memory)) {
        heap->allocatedSinceRefusal += size;
        return false;
    }
    heap->overMemory = true;
    heap->full = heap->full || (heap->refused && heap->allocatedSinceRefusal < heap->budget.memory / 64);
    heap->refused = true;
    heap->allocatedSinceRefusal = 0;
    return true;
}

void* Allocate(void* udata, duk_size_t size)
{
    ScriptHeap* heap = static_cast<ScriptHeap*>(udata);
    if (Refused(heap, size)) {
        return nullptr;
    }
    char* block = static_cast<char*>(malloc(size + BlockHeader));
    if (!block) {
        heap->overMemory = true;
        return nullptr;
    }
    memcpy(block, &size, sizeof size);
    heap->used += size;
    return block + BlockHeader;
}

void Free(void* udata, void* pointer)
{
    if (!pointer) {
        return;
    }
    ScriptHeap* heap = static_cast<ScriptHeap*>(udata);
    char* block = static_cast<char*>(pointer) - BlockHeader;
    size_t size;
    memcpy(&size, block, sizeof size);
    heap->used -= size;
    free(block);
}

void* Reallocate(void* udata, void* pointer, duk_size_t size)
{
    if (!pointer) {
        return Allocate(udata, size);
    }
    if (size == 0) {
        Free(udata, pointer);
        return nullptr;
    }
    ScriptHeap* heap = static_cast<ScriptHeap*>(udata);
    char* block = static_cast<char*>(pointer) - BlockHeader;
    size_t old;
    memcpy(&old, block, sizeof old);
    if (size > old && Refused(heap, size - old)) {
        return nullptr;
    }
    char* grown = static_cast<char*>(realloc(block, size + BlockHeader));
    if (!grown) {
        heap->overMemory = true;
        return nullptr;
    }
    memcpy(grown, &size, sizeof size);
    heap->used = heap->used - old + size;
    return grown + BlockHeader;
}

// A fatal error leaves the heap unusable: the page's scripts end there.
void Fatal(void* udata, const char*)
{
    longjmp(static_cast<ScriptHeap*>(udata)->fatal, 1);
}

// The viewer's JScript compiles conditional compilation and function
// bindings, which this engine does not: the code as it compiles them.
std::string CompilableCode(ScriptHeap* heap, const std::string& code)
{
    return TranslateFunctionBindings(TranslateConditionalCompilation(code, &heap->conditional));
}

ScriptHeap* HeapOf(duk_context* ctx)
{
    duk_memory_functions functions;
    duk_get_memory_functions(ctx, &functions);
    return static_cast<ScriptHeap*>(functions.udata);
}

// The page offset of a line of a compiled script ("sN").
bool ChunkPlace(const ScriptHeap* heap, const char* fileName, long line, size_t* offset)
{
    if (!fileName || fileName[0] != 's') {
        return false;
    }
    char* end = nullptr;
    unsigned long chunk = strtoul(fileName + 1, &end, 10);
    if (end == fileName + 1 || *end != 0 || chunk >= heap->chunks.size() || heap->chunks[chunk].empty()) {
        return false;
    }
    const ScriptLines& lines = heap->chunks[chunk];
    size_t index = line <= 1 ? 0 : std::min(static_cast<size_t>(line - 1), lines.size() - 1);
    *offset = lines[index];
    return true;
}

// Where the page's code that is running stands: the innermost frame of a
// script of the page, not of the DOM stand-in or of eval.
size_t Here(duk_context* ctx)
{
    ScriptHeap* heap = HeapOf(ctx);
    for (int level = -1; level >= -64; --level) {
        duk_inspect_callstack_entry(ctx, level);
        if (duk_is_undefined(ctx, -1)) {
            duk_pop(ctx);
            break;
        }
        duk_get_prop_string(ctx, -1, "lineNumber");
        long line = static_cast<long>(duk_get_int(ctx, -1));
        duk_get_prop_string(ctx, -2, "function");
        duk_get_prop_string(ctx, -1, "fileName");
        size_t offset;
        bool found = ChunkPlace(heap, duk_get_string(ctx, -1), line, &offset);
        duk_pop_n(ctx, 4);
        if (found) {
            return offset;
        }
    }
    return heap->fallback;
}

// What was written goes to the page reader, which reads it at once, as the
// viewer does: the page's next script sees its elements.
void FlushWritten(ScriptHeap* heap)
{
    if (heap->written.empty()) {
        return;
    }
    std::string written;
    std::vector<size_t> writers;
    written.swap(heap->written);
    writers.swap(heap->writers);
    heap->page->ReadWritten(written, writers);
}

size_t FindLastNoCase(const std::string& text, const char* lowerWord)
{
    size_t length = strlen(lowerWord);
    for (size_t at = text.size(); at >= length; --at) {
        size_t start = at - length;
        size_t i = 0;
        while (i < length && (text[start + i] | 0x20) == lowerWord[i]) {
            ++i;
        }
        if (i == length) {
            return start;
        }
    }
    return std::string::npos;
}

// Whether what is written so far can be read: it does not end inside a
// tag, nor inside a script whose end tag is still to be written.
bool ReadableNow(const std::string& written)
{
    size_t tag = written.rfind('<');
    if (tag != std::string::npos && written.find('>', tag) == std::string::npos) {
        return false;
    }
    size_t script = FindLastNoCase(written, "<script");
    if (script == std::string::npos) {
        return true;
    }
    size_t end = FindLastNoCase(written, "</script");
    return end != std::string::npos && end > script;
}

duk_ret_t NativeWrite(duk_context* ctx)
{
    ScriptHeap* heap = HeapOf(ctx);
    duk_size_t size = 0;
    const char* text = duk_safe_to_lstring(ctx, 0, &size);
    size_t writer = Here(ctx);
    heap->written.append(text, size);
    heap->writers.insert(heap->writers.end(), size, writer);
    heap->wroteOrBuilt = heap->wroteOrBuilt || size > 0;
    if (ReadableNow(heap->written)) {
        FlushWritten(heap);
    }
    return 0;
}

duk_ret_t NativeBuild(duk_context* ctx)
{
    ScriptHeap* heap = HeapOf(ctx);
    std::string markup = duk_safe_to_string(ctx, 0);
    long built = duk_is_number(ctx, 1) ? static_cast<long>(duk_get_int(ctx, 1)) : -1;
    heap->wroteOrBuilt = true;
    heap->page->ReadBuilt(markup, Here(ctx), built);
    return 0;
}

duk_ret_t NativeClick(duk_context* ctx)
{
    HeapOf(ctx)->clicked.insert(static_cast<long>(duk_get_int(ctx, 0)));
    return 0;
}

duk_ret_t NativeHere(duk_context* ctx)
{
    duk_push_number(ctx, static_cast<double>(Here(ctx)));
    return 1;
}

// Compiles code (a timer's string, an execScript) as placed at an offset.
// The engine's errors unwind by longjmp: no C++ object may be alive across
// a call that throws, so the code stays on the value stack and a failed
// compile is thrown again once nothing of ours is left to destroy.
duk_ret_t NativeCompileAt(duk_context* ctx)
{
    ScriptHeap* heap = HeapOf(ctx);
    size_t offset = static_cast<size_t>(duk_get_number(ctx, 1));
    duk_size_t length = 0;
    const char* code = duk_safe_to_lstring(ctx, 0, &length);
    heap->compiling.assign(code, length);
    heap->compiling = CompilableCode(heap, heap->compiling);
    char name[32];
    snprintf(name, sizeof name, "s%zu", heap->chunks.size());
    heap->chunks.push_back(ScriptLines(1, offset));
    duk_push_string(ctx, name);
    if (duk_pcompile_lstring_filename(ctx, 0, heap->compiling.data(), heap->compiling.size()) != 0) {
        return duk_throw(ctx);
    }
    return 1;
}

const duk_function_list_entry Natives[] = {{"write", NativeWrite, 1},          {"build", NativeBuild, 2},
                                           {"click", NativeClick, 1},          {"here", NativeHere, 0},
                                           {"compileAt", NativeCompileAt, 2}, {nullptr, nullptr, 0}};

// The place and the words of an error: the first frame of the page's code
// in its traceback, else the fallback.
void ErrorPlace(duk_context* ctx, ScriptHeap* heap, size_t* offset, std::string* message)
{
    duk_dup_top(ctx);
    *message = duk_safe_to_string(ctx, -1);
    duk_pop(ctx);
    *offset = heap->fallback;
    if (!duk_is_object(ctx, -1)) {
        return;
    }
    duk_get_prop_string(ctx, -1, "stack");
    std::string stack = duk_is_string(ctx, -1) ? duk_get_string(ctx, -1) : "";
    duk_pop(ctx);
    for (size_t at = stack.find("(s"); at != std::string::npos; at = stack.find("(s", at + 2)) {
        size_t colon = stack.find(':', at);
        size_t close = stack.find(')', at);
        if (colon == std::string::npos || close == std::string::npos || colon > close) {
            continue;
        }
        std::string fileName = stack.substr(at + 1, colon - at - 1);
        long line = strtol(stack.c_str() + colon + 1, nullptr, 10);
        if (ChunkPlace(heap, fileName.c_str(), line, offset)) {
            return;
        }
    }
    // A script that does not compile has no stack: its error names the line.
    duk_get_prop_string(ctx, -1, "fileName");
    duk_get_prop_string(ctx, -2, "lineNumber");
    if (duk_is_string(ctx, -2) && duk_is_number(ctx, -1)) {
        ChunkPlace(heap, duk_get_string(ctx, -2), static_cast<long>(duk_get_number(ctx, -1)), offset);
    }
    duk_pop_2(ctx);
}

std::string MemoryWords(size_t bytes)
{
    return bytes % (1024 * 1024) == 0 ? std::to_string(bytes / (1024 * 1024)) + " MiB"
                                      : std::to_string(bytes) + " bytes";
}

// The DOM stand-in's bytecode: compiled once, in a heap of its own, by the
// first engine that starts on any thread; the engines load it, which is
// much quicker than compiling. Empty when it does not compile.
std::string CompileStandIn()
{
    std::string bytecode;
    duk_context* ctx = duk_create_heap_default();
    if (!ctx) {
        return bytecode;
    }
    duk_push_string(ctx, "dom");
    if (duk_pcompile_lstring_filename(ctx, 0, DomStandInCode, strlen(DomStandInCode)) == 0) {
        duk_dump_function(ctx);
        duk_size_t size = 0;
        const char* dumped = static_cast<const char*>(duk_get_buffer(ctx, -1, &size));
        bytecode.assign(dumped, size);
    }
    duk_destroy_heap(ctx);
    return bytecode;
}

bool PushStandIn(duk_context* ctx)
{
    static const std::string bytecode = CompileStandIn();  // started by one thread, waited for by the others
    if (bytecode.empty()) {
        return false;
    }
    void* buffer = duk_push_fixed_buffer(ctx, bytecode.size());
    memcpy(buffer, bytecode.data(), bytecode.size());
    duk_load_function(ctx);
    return true;
}

}  // namespace

ScriptLines LinesOfCode(const char* text, size_t size, const std::vector<size_t>* origins, size_t base)
{
    ScriptLines lines;
    bool lineStart = true;
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        bool end = i == size || text[i] == '\n' || (text[i] == '\r' && (i + 1 == size || text[i + 1] != '\n'));
        bool blank = i < size && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r');
        if (lineStart && !blank) {
            start = end ? start : i;
            lineStart = false;
        }
        if (end) {
            lines.push_back(origins ? (start < origins->size() ? (*origins)[start] : origins->empty() ? base : origins->back())
                                    : base + start);
            lineStart = true;
            start = i + 1;
        }
    }
    return lines;
}

ScriptEngine::ScriptEngine(const ScriptBudget& budget, ScriptPage* page) : heap_(new ScriptHeap)
{
    ScriptHeap* heap = heap_.get();
    heap->budget = budget;
    heap->page = page;
    heap->ctx = duk_create_heap(Allocate, Reallocate, Free, heap, Fatal);
    if (!heap->ctx) {
        heap->dead = true;
        heap->stops.push_back({0, 0, "the script engine could not start within " + MemoryWords(budget.memory)});
        return;
    }
    // The stand-in is given the natives, and gives back what the page
    // reader calls; both stay in the stash, out of the scripts' reach.
    duk_context* ctx = heap->ctx;
    if (!PushStandIn(ctx)) {
        heap->dead = true;
        return;
    }
    duk_push_global_object(ctx);
    if (!Call(0, 0)) {
        heap->dead = true;
        return;
    }
    duk_push_undefined(ctx);
    duk_push_global_object(ctx);
    duk_push_object(ctx);
    duk_put_function_list(ctx, -1, Natives);
    if (!Call(2, 0) || !duk_is_object(ctx, -1)) {
        heap->dead = true;
        return;
    }
    duk_push_global_stash(ctx);
    duk_swap_top(ctx, -2);
    duk_put_prop_string(ctx, -2, "dom");
    duk_pop(ctx);
}

ScriptEngine::~ScriptEngine()
{
    // After a fatal error the heap's state is unknown: it is left, not freed.
    if (heap_->ctx && !heap_->broken) {
        duk_destroy_heap(heap_->ctx);
    }
}

namespace {

// The page's scripts end: they needed more memory than the budget gives.
void EndForMemory(ScriptHeap* heap, size_t place, size_t offset)
{
    heap->dead = true;
    heap->stops.push_back({place, offset, "it needed more than the page's " + MemoryWords(heap->budget.memory) + " of memory"});
}

// Whether the page's scripts have ended, before more of them is run or
// compiled at place: a full heap ends them there.
bool Ended(ScriptHeap* heap, size_t place)
{
    if (!heap->dead && heap->full) {
        EndForMemory(heap, place, place);
    }
    return heap->dead;
}

// A script the engine could not compile, its error on the stack's top, is
// said as a stop at place. One the heap had no memory for ends the page's
// scripts; a full heap's error is not read: reading it takes memory.
void SayNotCompiled(ScriptHeap* heap, size_t place)
{
    heap->fallback = place;
    if (heap->full) {
        EndForMemory(heap, place, place);
        return;
    }
    size_t offset;
    std::string message;
    ErrorPlace(heap->ctx, heap, &offset, &message);
    if (message.find("alloc failed") != std::string::npos) {
        EndForMemory(heap, place, offset);
        return;
    }
    heap->stops.push_back({place, offset, "the engine cannot compile it (" + message + ")"});
}

}  // namespace

// Calls the function below the arguments; leaves its result (or error) in
// its place. False, with the stop said when it matters, when it failed.
bool ScriptEngine::Call(int arguments, size_t fallback)
{
    ScriptHeap* heap = heap_.get();
    heap->fallback = fallback;
    // A fatal error lands in the outermost call, past any that the scripts'
    // calls into the page reader made.
    if (heap->depth == 0 && setjmp(heap->fatal) != 0) {
        heap->depth = 0;
        heap->dead = true;
        heap->broken = true;
        heap->stops.push_back({fallback, fallback, "the script engine failed"});
        return false;
    }
    ++heap->depth;
    duk_int_t status = duk_pcall_method(heap->ctx, arguments);
    --heap->depth;
    if (status == DUK_EXEC_SUCCESS) {
        return true;
    }
    size_t offset;
    std::string message;
    ErrorPlace(heap->ctx, heap, &offset, &message);
    bool limit = message.compare(0, 10, "RangeError") == 0 && message.find("limit") != std::string::npos;
    if (heap->overBudget) {
        heap->dead = true;
        heap->stops.push_back(
            {fallback, offset, "it ran past the page's budget of " + std::to_string(heap->budget.instructions) + " instructions"});
    } else if (heap->overMemory) {
        EndForMemory(heap, fallback, offset);
    } else if (limit || heap->wroteOrBuilt || message.compare(0, 11, "SyntaxError") == 0) {
        // Code the engine could not compile (a timer's string, eval) is
        // unread, as a script that does not compile is.
        heap->stops.push_back({fallback, offset, message});
    }
    return false;
}

// A call of the page reader's, to make the page's elements: inside a
// script's write, the script's own work goes on after it.
bool ScriptEngine::ReadingCall(int arguments)
{
    ScriptHeap* heap = heap_.get();
    bool reading = heap->reading;
    heap->reading = true;
    bool done = Call(arguments, heap->fallback);
    heap->reading = reading;
    return done;
}

void ScriptEngine::Run(const std::string& code, const ScriptLines& lines, size_t place)
{
    ScriptHeap* heap = heap_.get();
    if (Ended(heap, place) || lines.empty()) {
        return;
    }
    // A script that a script wrote runs while the writing one waits.
    bool wroteOrBuilt = heap->wroteOrBuilt;
    size_t fallback = heap->fallback;
    duk_context* ctx = heap->ctx;
    std::string name = "s" + std::to_string(heap->chunks.size());
    heap->chunks.push_back(lines);
    heap->wroteOrBuilt = false;
    duk_push_string(ctx, name.c_str());
    // A script the engine cannot compile does not run here. The viewer's
    // JScript takes forms this engine does not (those left after the
    // translation of its function bindings), so what it would do there is
    // not known: it is said, never passed over.
    std::string translated = CompilableCode(heap, code);
    if (duk_pcompile_lstring_filename(ctx, 0, translated.data(), translated.size()) != 0) {
        SayNotCompiled(heap, place);
        duk_pop(ctx);
        heap->wroteOrBuilt = wroteOrBuilt;
        heap->fallback = fallback;
        return;
    }
    duk_push_global_object(ctx);
    Call(0, place);
    if (!heap->dead) {
        duk_pop(ctx);
    }
    Flush();
    heap->wroteOrBuilt = wroteOrBuilt;
    heap->fallback = fallback;
}

void ScriptEngine::Flush()
{
    FlushWritten(heap_.get());
}

namespace {

// Pushes the stand-in's function named name, with the stand-in as this.
bool PushDom(duk_context* ctx, const char* name)
{
    duk_push_global_stash(ctx);
    duk_get_prop_string(ctx, -1, "dom");
    duk_get_prop_string(ctx, -1, name);
    duk_swap_top(ctx, -3);
    duk_pop(ctx);  // the stash; the stand-in stays as this
    return duk_is_function(ctx, -2);
}

}  // namespace

long ScriptEngine::OpenElement(const std::string& name, const std::vector<ScriptAttribute>& attributes,
                               const std::string* text)
{
    ScriptHeap* heap = heap_.get();
    if (heap->dead) {
        return -1;
    }
    duk_context* ctx = heap->ctx;
    PushDom(ctx, "open");
    duk_push_lstring(ctx, name.data(), name.size());
    duk_idx_t list = duk_push_array(ctx);
    duk_uarridx_t index = 0;
    for (const ScriptAttribute& attribute : attributes) {
        duk_push_lstring(ctx, attribute.name.data(), attribute.name.size());
        duk_put_prop_index(ctx, list, index++);
        duk_push_lstring(ctx, attribute.value.data(), attribute.value.size());
        duk_put_prop_index(ctx, list, index++);
    }
    if (text) {
        duk_push_lstring(ctx, text->data(), text->size());
    } else {
        duk_push_undefined(ctx);
    }
    if (!ReadingCall(3)) {
        if (!heap->dead) {
            duk_pop(ctx);
        }
        return -1;
    }
    long handle = duk_is_number(ctx, -1) ? static_cast<long>(duk_get_int(ctx, -1)) : -1;
    duk_pop(ctx);
    return handle;
}

void ScriptEngine::Text(const std::string& text)
{
    ScriptHeap* heap = heap_.get();
    if (heap->dead) {
        return;
    }
    PushDom(heap->ctx, "text");
    duk_push_lstring(heap->ctx, text.data(), text.size());
    if (ReadingCall(1) || !heap->dead) {
        duk_pop(heap->ctx);
    }
}

void ScriptEngine::CloseElement(const std::string& name)
{
    ScriptHeap* heap = heap_.get();
    if (heap->dead) {
        return;
    }
    PushDom(heap->ctx, "close");
    duk_push_lstring(heap->ctx, name.data(), name.size());
    if (ReadingCall(1) || !heap->dead) {
        duk_pop(heap->ctx);
    }
}

void ScriptEngine::AddLoadHandler(long element, const std::string& code, const ScriptLines& lines)
{
    ScriptHeap* heap = heap_.get();
    if (lines.empty() || Ended(heap, lines[0])) {
        return;
    }
    duk_context* ctx = heap->ctx;
    std::string name = "s" + std::to_string(heap->chunks.size());
    heap->chunks.push_back(lines);
    // The handler's body as a function, its lines where they stand.
    std::string function = "(function(event){" + CompilableCode(heap, code) + "\n})";
    PushDom(ctx, "handler");
    duk_push_int(ctx, static_cast<duk_int_t>(element));
    duk_push_string(ctx, name.c_str());
    if (duk_pcompile_lstring_filename(ctx, DUK_COMPILE_EVAL, function.data(), function.size()) != 0) {
        SayNotCompiled(heap, lines[0]);
        duk_pop_n(ctx, 4);
        return;
    }
    duk_push_global_object(ctx);
    if (!Call(0, lines[0])) {
        if (!heap->dead) {
            duk_pop_n(ctx, 4);
        }
        return;
    }
    if (Call(2, lines[0]) || !heap->dead) {
        duk_pop(ctx);
    }
}

void ScriptEngine::RunLoad()
{
    ScriptHeap* heap = heap_.get();
    // Each step runs on its own, so that one that fails leaves the rest.
    while (!heap->dead) {
        duk_context* ctx = heap->ctx;
        PushDom(ctx, "next");
        if (!Call(0, heap->fallback)) {
            if (!heap->dead) {
                duk_pop(ctx);
            }
            break;
        }
        if (!duk_is_object(ctx, -1)) {
            duk_pop(ctx);
            break;
        }
        duk_get_prop_string(ctx, -1, "place");
        size_t place = static_cast<size_t>(duk_get_number_default(ctx, -1, static_cast<double>(heap->fallback)));
        duk_pop(ctx);
        duk_get_prop_string(ctx, -1, "run");
        duk_swap_top(ctx, -2);
        heap->wroteOrBuilt = false;
        if (Call(0, place) || !heap->dead) {
            duk_pop(ctx);
        }
        Flush();
    }
}

bool ScriptEngine::Clicked(long element) const
{
    return element >= 0 && heap_->clicked.count(element) > 0;
}

const std::vector<ScriptStop>& ScriptEngine::Stops() const
{
    return heap_->stops;
}
