/*
 * QlDrv stand-in: a small kernel driver that takes the cache driver's place on a test
 * machine. It serves the control device of the drive letter named by the driver's own
 * Parameters\DosDevice value and answers the three control codes with buffered I/O.
 *
 * Its behaviour comes from a key of its own, never from the product's values:
 *   HKLM\SYSTEM\CurrentControlSet\Services\QlStandIn
 *     BufferSize        4 or 8 bytes (REG_DWORD, REG_QWORD or REG_BINARY), little-endian:
 *                       the size IOCTL_OV_QUERY_SIZE answers (default 0)
 *     FinalInitDelay    REG_DWORD, milliseconds IOCTL_OV_FINAL_INIT takes (default 0)
 *     FinalInitHold     REG_DWORD, milliseconds: after that delay IOCTL_OV_FINAL_INIT also
 *                       waits until FinalInitRelease (REG_DWORD) of this key is not 0, for
 *                       at most this long (default 0: no hold). While it waits, the record's
 *                       FinalInitHeld is 1, so a test can catch the hand-over in progress
 *                       (the allocator's progress dialog) on a machine of any speed.
 *     GetStatsStatus    REG_DWORD NTSTATUS to fail IOCTL_OV_GET_STATS with (0 = answer)
 *     QuerySizeStatus   same for IOCTL_OV_QUERY_SIZE
 *     FinalInitStatus   same for IOCTL_OV_FINAL_INIT
 *     CreateStatus      same for opening the device
 *     WriteCount, WriteBehindCount, ReadCount, ReadHitCount
 *                       4 or 8 bytes: the counters of the first statistics answer
 *     WriteCountStep, WriteBehindCountStep, ReadCountStep, ReadHitCountStep
 *                       REG_DWORD: added to each counter after every statistics answer
 *     Letter            REG_SZ: serve this letter instead of DosDevice's (optional)
 *
 * Misbehaviour, for the hostile tests (absent: the driver behaves as above):
 *     GetStatsDelay, QuerySizeDelay
 *                       REG_DWORD, milliseconds the request takes (FinalInitDelay for the
 *                       third code)
 *     GetStatsReturned, QuerySizeReturned, FinalInitReturned
 *                       REG_DWORD: the byte count a successful answer reports. Fewer bytes
 *                       than the record is a short answer (only those bytes are filled);
 *                       more than the caller's output buffer is an answer longer than asked
 *                       (the record is filled as far as the buffer reaches, and the count
 *                       claims more).
 *
 * The answers (BufferSize, the delays, the byte counts and the four statuses) are read again
 * at every open of the device, so a test can change them between two programs without a reboot; the
 * counters are read once, when the driver loads, and keep counting from there.
 *
 * What it received goes to the volatile key ...\QlStandIn\Record (gone at the next boot):
 *   Loaded 1; Letter "X:"; LinkStatus (NTSTATUS of creating \DosDevices\X:);
 *   Creates, Closes; GetStatsCount, QuerySizeCount, FinalInitCount, OtherCount;
 *   <Code>InLength, <Code>OutLength, <Code>Result for the last request of each code
 *   (Code = GetStats, QuerySize, FinalInit, Other), OtherCode (the last unknown code);
 *   FinalInitRecord (REG_BINARY, the 16 bytes of the last hand-over record);
 *   Order (REG_SZ, one letter per request in arrival order: C create, S GetStats,
 *   Q QuerySize, F FinalInit, O other, X close; the first 255 kept).
 * The record is written before each request completes, so a caller that got its answer
 * can read the record of that request.
 *
 * Under Wine the driver runs inside winedevice.exe; the record is what a test checks.
 *
 * The drive letter: the driver creates \DosDevices\X: for its own device and, when the
 * letter is already taken (a mapped drive), deletes that link first. It forwards nothing to
 * the device it replaced (under Wine that device lives in another process), so a letter
 * taken over stops answering volume queries until the next boot. Test machines therefore
 * give the driver a letter no drive uses (the fixtures use Q:); a test that also needs the
 * cached partition as a drive maps another letter, or sets Letter here.
 */
#include <ntddk.h>

#define QL_DEVICE_TYPE 0x8400
#define IOCTL_OV_GET_STATS 0x84006080u
#define IOCTL_OV_QUERY_SIZE 0x840060A0u
#define IOCTL_OV_FINAL_INIT 0x840020C0u
#define STATS_BYTES 48u
#define SIZE_BYTES 8u
#define HANDOVER_BYTES 16u
#define ORDER_MAX 255

static const WCHAR kTestKeyPath[] =
    L"\\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Services\\QlStandIn";
static const WCHAR kDeviceName[] = L"\\Device\\QlStandIn";

typedef struct StandIn {
  ULONGLONG bufferSize;
  ULONG finalInitDelayMs;
  ULONG finalInitHoldMs;
  NTSTATUS getStatsStatus;
  NTSTATUS querySizeStatus;
  NTSTATUS finalInitStatus;
  NTSTATUS createStatus;
  ULONG getStatsDelayMs;
  ULONG querySizeDelayMs;
  ULONG getStatsReturned;
  ULONG querySizeReturned;
  ULONG finalInitReturned;
  ULONGLONG counters[4];
  ULONG steps[4];
  HANDLE recordKey;
  WCHAR link[16];
  ULONG creates, closes, getStats, querySize, finalInit, other;
  WCHAR order[ORDER_MAX + 1];
  ULONG orderLength;
} StandIn;

static StandIn g_standIn;

/* A byte count that was not set: the answer reports what it filled. */
#define kAsUsual 0xFFFFFFFFu

static void Delay(ULONG milliseconds) {
  LARGE_INTEGER delay;
  if (milliseconds == 0) return;
  delay.QuadPart = -(LONGLONG)milliseconds * 10000;
  KeDelayExecutionThread(KernelMode, FALSE, &delay);
}

/* The byte count an answer reports: as filled, or what the test set. */
static ULONG_PTR Reported(ULONG filled, ULONG setting) {
  return setting == kAsUsual ? filled : setting;
}

static const WCHAR* const kCounterNames[4] = {L"WriteCount", L"WriteBehindCount", L"ReadCount",
                                              L"ReadHitCount"};
static const WCHAR* const kStepNames[4] = {L"WriteCountStep", L"WriteBehindCountStep",
                                           L"ReadCountStep", L"ReadHitCountStep"};

/* Reads a value of up to 64 bytes into info; returns its data length, or -1 when absent. */
typedef struct ValueBuffer {
  KEY_VALUE_PARTIAL_INFORMATION info;
  UCHAR room[64];
} ValueBuffer;

static LONG QueryValue(HANDLE key, const WCHAR* name, ValueBuffer* buffer) {
  UNICODE_STRING valueName;
  ULONG length = 0;
  NTSTATUS status;
  RtlInitUnicodeString(&valueName, name);
  status = ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, buffer, sizeof(*buffer),
                           &length);
  if (!NT_SUCCESS(status)) return -1;
  return (LONG)buffer->info.DataLength;
}

/* The value's data: Data is declared as a one-byte array and continues into room. */
static const UCHAR* ValueData(const ValueBuffer* buffer) {
  return (const UCHAR*)buffer + FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data);
}

/* 4 or 8 bytes, little-endian; anything else leaves *out alone. */
static void ReadNumber(HANDLE key, const WCHAR* name, ULONGLONG* out) {
  ValueBuffer buffer;
  LONG length = QueryValue(key, name, &buffer);
  ULONGLONG value = 0;
  LONG i;
  const UCHAR* data = ValueData(&buffer);
  if (length != 4 && length != 8) return;
  for (i = length - 1; i >= 0; --i) value = (value << 8) | data[i];
  *out = value;
}

static void ReadDword(HANDLE key, const WCHAR* name, ULONG* out) {
  ULONGLONG value = *out;
  ReadNumber(key, name, &value);
  *out = (ULONG)value;
}

static void ReadStatus(HANDLE key, const WCHAR* name, NTSTATUS* out) {
  ULONG value = (ULONG)*out;
  ReadDword(key, name, &value);
  *out = (NTSTATUS)value;
}

/* The first character of a REG_SZ value (ANSI-sized data written as UTF-16 by the
   registry), upper-cased for a to z; 0 when the value is missing or empty. */
static WCHAR ReadLetter(HANDLE key, const WCHAR* name) {
  ValueBuffer buffer;
  LONG length = QueryValue(key, name, &buffer);
  WCHAR letter;
  if (length < 2) return 0;
  letter = (WCHAR)(ValueData(&buffer)[0] | (ValueData(&buffer)[1] << 8));
  if (letter >= L'a' && letter <= L'z') letter = (WCHAR)(letter - L'a' + L'A');
  if (letter < L'A' || letter > L'Z') return 0;
  return letter;
}

static NTSTATUS OpenKey(HANDLE* key, const WCHAR* path, HANDLE root) {
  UNICODE_STRING name;
  OBJECT_ATTRIBUTES attributes;
  RtlInitUnicodeString(&name, path);
  InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, root,
                             NULL);
  return ZwOpenKey(key, KEY_READ, &attributes);
}

static void SetValue(const WCHAR* name, ULONG type, const void* data, ULONG size) {
  UNICODE_STRING valueName;
  if (!g_standIn.recordKey) return;
  RtlInitUnicodeString(&valueName, name);
  ZwSetValueKey(g_standIn.recordKey, &valueName, 0, type, (PVOID)data, size);
}

static void SetDword(const WCHAR* name, ULONG value) {
  SetValue(name, REG_DWORD, &value, sizeof(value));
}

static void SetText(const WCHAR* name, const WCHAR* text) {
  ULONG length = 0;
  while (text[length]) ++length;
  SetValue(name, REG_SZ, text, (length + 1) * sizeof(WCHAR));
}

static void NoteOrder(WCHAR what) {
  if (g_standIn.orderLength < ORDER_MAX) {
    g_standIn.order[g_standIn.orderLength++] = what;
    g_standIn.order[g_standIn.orderLength] = 0;
  }
  SetText(L"Order", g_standIn.order);
}

static void LoadAnswers(HANDLE testKey) {
  ReadNumber(testKey, L"BufferSize", &g_standIn.bufferSize);
  ReadDword(testKey, L"FinalInitDelay", &g_standIn.finalInitDelayMs);
  ReadDword(testKey, L"FinalInitHold", &g_standIn.finalInitHoldMs);
  ReadStatus(testKey, L"GetStatsStatus", &g_standIn.getStatsStatus);
  ReadStatus(testKey, L"QuerySizeStatus", &g_standIn.querySizeStatus);
  ReadStatus(testKey, L"FinalInitStatus", &g_standIn.finalInitStatus);
  ReadStatus(testKey, L"CreateStatus", &g_standIn.createStatus);
  g_standIn.getStatsDelayMs = 0;
  g_standIn.querySizeDelayMs = 0;
  g_standIn.getStatsReturned = kAsUsual;
  g_standIn.querySizeReturned = kAsUsual;
  g_standIn.finalInitReturned = kAsUsual;
  ReadDword(testKey, L"GetStatsDelay", &g_standIn.getStatsDelayMs);
  ReadDword(testKey, L"QuerySizeDelay", &g_standIn.querySizeDelayMs);
  ReadDword(testKey, L"GetStatsReturned", &g_standIn.getStatsReturned);
  ReadDword(testKey, L"QuerySizeReturned", &g_standIn.querySizeReturned);
  ReadDword(testKey, L"FinalInitReturned", &g_standIn.finalInitReturned);
}

static void LoadCounters(HANDLE testKey) {
  int i;
  for (i = 0; i < 4; ++i) {
    ReadNumber(testKey, kCounterNames[i], &g_standIn.counters[i]);
    ReadDword(testKey, kStepNames[i], &g_standIn.steps[i]);
  }
}

/* Creates ...\QlStandIn (when missing) and its volatile Record subkey, fresh every boot. */
static void OpenRecord(HANDLE* testKey) {
  UNICODE_STRING name;
  OBJECT_ATTRIBUTES attributes;
  HANDLE key = NULL;
  HANDLE record = NULL;
  RtlInitUnicodeString(&name, kTestKeyPath);
  InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                             NULL);
  if (!NT_SUCCESS(
          ZwCreateKey(&key, KEY_ALL_ACCESS, &attributes, 0, NULL, REG_OPTION_NON_VOLATILE, NULL))) {
    return;
  }
  *testKey = key;
  RtlInitUnicodeString(&name, L"Record");
  InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, key,
                             NULL);
  /* A record left from an earlier run of this driver in the same boot is replaced. */
  if (NT_SUCCESS(ZwOpenKey(&record, KEY_ALL_ACCESS, &attributes))) {
    ZwDeleteKey(record);
    ZwClose(record);
    record = NULL;
  }
  if (NT_SUCCESS(
          ZwCreateKey(&record, KEY_ALL_ACCESS, &attributes, 0, NULL, REG_OPTION_VOLATILE, NULL))) {
    g_standIn.recordKey = record;
  }
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS NTAPI DispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
  HANDLE testKey = NULL;
  (void)device;
  if (NT_SUCCESS(OpenKey(&testKey, kTestKeyPath, NULL))) {
    LoadAnswers(testKey);
    ZwClose(testKey);
  }
  SetDword(L"Creates", ++g_standIn.creates);
  NoteOrder(L'C');
  return Complete(irp, g_standIn.createStatus, 0);
}

static NTSTATUS NTAPI DispatchClose(PDEVICE_OBJECT device, PIRP irp) {
  (void)device;
  SetDword(L"Closes", ++g_standIn.closes);
  NoteOrder(L'X');
  return Complete(irp, STATUS_SUCCESS, 0);
}

static void NoteLengths(const WCHAR* in, const WCHAR* out, const WCHAR* result, ULONG inLength,
                        ULONG outLength, NTSTATUS status) {
  SetDword(in, inLength);
  SetDword(out, outLength);
  SetDword(result, (ULONG)status);
}

static NTSTATUS GetStats(PIRP irp, ULONG inLength, ULONG outLength, ULONG_PTR* information) {
  UCHAR* out = (UCHAR*)irp->AssociatedIrp.SystemBuffer;
  NTSTATUS status = g_standIn.getStatsStatus;
  int i;
  Delay(g_standIn.getStatsDelayMs);
  if (NT_SUCCESS(status)) {
    if (inLength != 0) {
      status = STATUS_INVALID_PARAMETER;
    } else if (outLength < STATS_BYTES || out == NULL) {
      status = STATUS_BUFFER_TOO_SMALL;
    }
  }
  if (NT_SUCCESS(status)) {
    for (i = 0; i < 4; ++i) {
      ULONGLONG value = g_standIn.counters[i];
      int b;
      for (b = 0; b < 8; ++b) out[i * 8 + b] = (UCHAR)(value >> (8 * b));
      g_standIn.counters[i] += g_standIn.steps[i];
    }
    /* The last 16 bytes carry a pattern: no program may take them for counters. */
    for (i = 32; i < (int)STATS_BYTES; ++i) out[i] = 0xA5;
    *information = Reported(STATS_BYTES, g_standIn.getStatsReturned);
    /* A short answer leaves the bytes it does not report as the caller's buffer had them:
       with buffered I/O only the reported count is copied back. */
  }
  SetDword(L"GetStatsCount", ++g_standIn.getStats);
  NoteLengths(L"GetStatsInLength", L"GetStatsOutLength", L"GetStatsResult", inLength, outLength,
              status);
  NoteOrder(L'S');
  return status;
}

static NTSTATUS QuerySize(PIRP irp, ULONG inLength, ULONG outLength, ULONG_PTR* information) {
  UCHAR* out = (UCHAR*)irp->AssociatedIrp.SystemBuffer;
  NTSTATUS status = g_standIn.querySizeStatus;
  Delay(g_standIn.querySizeDelayMs);
  if (NT_SUCCESS(status)) {
    if (inLength != 0) {
      status = STATUS_INVALID_PARAMETER;
    } else if (outLength < SIZE_BYTES || out == NULL) {
      status = STATUS_BUFFER_TOO_SMALL;
    }
  }
  if (NT_SUCCESS(status)) {
    int b;
    for (b = 0; b < 8; ++b) out[b] = (UCHAR)(g_standIn.bufferSize >> (8 * b));
    *information = Reported(SIZE_BYTES, g_standIn.querySizeReturned);
  }
  SetDword(L"QuerySizeCount", ++g_standIn.querySize);
  NoteLengths(L"QuerySizeInLength", L"QuerySizeOutLength", L"QuerySizeResult", inLength, outLength,
              status);
  NoteOrder(L'Q');
  return status;
}

/* Waits until the test key's FinalInitRelease is set, or the hold time has passed. */
static void HoldFinalInit(void) {
  ULONG waited = 0;
  LARGE_INTEGER step;
  step.QuadPart = -100 * 10000LL; /* 100 ms */
  SetDword(L"FinalInitHeld", 1);
  while (waited < g_standIn.finalInitHoldMs) {
    HANDLE testKey = NULL;
    ULONG release = 0;
    if (NT_SUCCESS(OpenKey(&testKey, kTestKeyPath, NULL))) {
      ReadDword(testKey, L"FinalInitRelease", &release);
      ZwClose(testKey);
    }
    if (release != 0) break;
    KeDelayExecutionThread(KernelMode, FALSE, &step);
    waited += 100;
  }
  SetDword(L"FinalInitHeld", 0);
}

static NTSTATUS FinalInit(PIRP irp, ULONG inLength, ULONG outLength, ULONG_PTR* information) {
  const UCHAR* in = (const UCHAR*)irp->AssociatedIrp.SystemBuffer;
  NTSTATUS status = STATUS_SUCCESS;
  if (inLength != HANDOVER_BYTES || in == NULL) {
    status = STATUS_INVALID_PARAMETER;
  } else {
    SetValue(L"FinalInitRecord", REG_BINARY, in, HANDOVER_BYTES);
  }
  Delay(g_standIn.finalInitDelayMs);
  if (g_standIn.finalInitHoldMs != 0) HoldFinalInit();
  if (NT_SUCCESS(status)) status = g_standIn.finalInitStatus;
  if (NT_SUCCESS(status)) *information = Reported(0, g_standIn.finalInitReturned);
  SetDword(L"FinalInitCount", ++g_standIn.finalInit);
  NoteLengths(L"FinalInitInLength", L"FinalInitOutLength", L"FinalInitResult", inLength, outLength,
              status);
  NoteOrder(L'F');
  return status;
}

static NTSTATUS NTAPI DispatchControl(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
  ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
  ULONG_PTR information = 0;
  NTSTATUS status;
  (void)device;
  switch (code) {
    case IOCTL_OV_GET_STATS:
      status = GetStats(irp, inLength, outLength, &information);
      break;
    case IOCTL_OV_QUERY_SIZE:
      status = QuerySize(irp, inLength, outLength, &information);
      break;
    case IOCTL_OV_FINAL_INIT:
      status = FinalInit(irp, inLength, outLength, &information);
      break;
    default:
      status = STATUS_INVALID_DEVICE_REQUEST;
      SetDword(L"OtherCount", ++g_standIn.other);
      SetDword(L"OtherCode", code);
      NoteLengths(L"OtherInLength", L"OtherOutLength", L"OtherResult", inLength, outLength, status);
      NoteOrder(L'O');
      break;
  }
  return Complete(irp, status, information);
}

static void NTAPI Unload(PDRIVER_OBJECT driver) {
  UNICODE_STRING link;
  RtlInitUnicodeString(&link, g_standIn.link);
  IoDeleteSymbolicLink(&link);
  if (driver->DeviceObject) IoDeleteDevice(driver->DeviceObject);
  if (g_standIn.recordKey) ZwClose(g_standIn.recordKey);
  g_standIn.recordKey = NULL;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  HANDLE testKey = NULL;
  HANDLE serviceKey = NULL;
  HANDLE parametersKey = NULL;
  UNICODE_STRING deviceName;
  UNICODE_STRING linkName;
  PDEVICE_OBJECT device = NULL;
  WCHAR letter = 0;
  WCHAR letterText[3];
  NTSTATUS status;
  ULONG i;

  RtlZeroMemory(&g_standIn, sizeof(g_standIn));
  OpenRecord(&testKey);
  if (testKey) {
    LoadAnswers(testKey);
    LoadCounters(testKey);
    letter = ReadLetter(testKey, L"Letter");
  }

  /* The letter comes from the driver's own Parameters\DosDevice, as the programs read it. */
  if (letter == 0 && registryPath != NULL) {
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, registryPath, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               NULL, NULL);
    if (NT_SUCCESS(ZwOpenKey(&serviceKey, KEY_READ, &attributes))) {
      if (NT_SUCCESS(OpenKey(&parametersKey, L"Parameters", serviceKey))) {
        letter = ReadLetter(parametersKey, L"DosDevice");
        ZwClose(parametersKey);
      }
      ZwClose(serviceKey);
    }
  }
  if (testKey) ZwClose(testKey);

  SetDword(L"Loaded", 1);
  if (letter == 0) {
    SetDword(L"LinkStatus", (ULONG)STATUS_OBJECT_NAME_NOT_FOUND);
    return STATUS_SUCCESS; /* loaded, but with no device to serve */
  }

  letterText[0] = letter;
  letterText[1] = L':';
  letterText[2] = 0;
  SetText(L"Letter", letterText);
  {
    static const WCHAR prefix[] = L"\\DosDevices\\";
    for (i = 0; prefix[i]; ++i) g_standIn.link[i] = prefix[i];
    g_standIn.link[i++] = letter;
    g_standIn.link[i++] = L':';
    g_standIn.link[i] = 0;
  }

  RtlInitUnicodeString(&deviceName, kDeviceName);
  status = IoCreateDevice(driver, 0, &deviceName, QL_DEVICE_TYPE, 0, FALSE, &device);
  if (!NT_SUCCESS(status)) {
    SetDword(L"DeviceStatus", (ULONG)status);
    return status;
  }
  device->Flags |= DO_BUFFERED_IO;

  /* Take the letter over: a link that is already there (a mapped drive) is replaced. */
  RtlInitUnicodeString(&linkName, g_standIn.link);
  status = IoCreateSymbolicLink(&linkName, &deviceName);
  if (status == STATUS_OBJECT_NAME_COLLISION) {
    IoDeleteSymbolicLink(&linkName);
    status = IoCreateSymbolicLink(&linkName, &deviceName);
  }
  SetDword(L"LinkStatus", (ULONG)status);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(device);
    return status;
  }

  driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
  driver->DriverUnload = Unload;
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}
