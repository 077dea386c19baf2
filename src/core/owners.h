// Small owners of handles and shell objects: each frees what it holds when it goes out of
// scope, on every return path, so "who frees this" is said by the type. No exceptions are
// involved (the exe has none of the C++ runtime's exception machinery); an owner is never
// copied, and release() hands what it holds to a new owner.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <shtypes.h>

template <typename Traits>
class Owner {
public:
    using Handle = typename Traits::Handle;
    Owner() = default;
    explicit Owner(Handle handle) : handle_(handle) {}
    ~Owner() { reset(); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return Traits::Valid(handle_); }
    // Frees what is held and takes handle instead.
    void reset(Handle handle = Traits::Empty())
    {
        if (Traits::Valid(handle_))
            Traits::Free(handle_);
        handle_ = handle;
    }
    // The held handle, now the caller's to free.
    Handle release()
    {
        Handle handle = handle_;
        handle_ = Traits::Empty();
        return handle;
    }

private:
    Handle handle_ = Traits::Empty();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static bool Valid(Handle h) { return h && h != INVALID_HANDLE_VALUE; }
    static void Free(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits : KernelHandleTraits {
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Free(Handle h) { FindClose(h); }
};
struct ChangeHandleTraits : KernelHandleTraits {
    static void Free(Handle h) { FindCloseChangeNotification(h); }
};
struct MenuTraits {
    using Handle = HMENU;
    static Handle Empty() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Free(Handle h) { DestroyMenu(h); }
};
// An item-ID list from the task allocator (the shell's allocator is that one).
struct IdListTraits {
    using Handle = LPITEMIDLIST;
    static Handle Empty() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Free(Handle h) { CoTaskMemFree(h); }
};

using AutoHandle = Owner<KernelHandleTraits>;
using AutoFindHandle = Owner<FindHandleTraits>;
using AutoChangeHandle = Owner<ChangeHandleTraits>;
using AutoMenu = Owner<MenuTraits>;
using AutoIdList = Owner<IdListTraits>;

// One reference to a COM object.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* object) : object_(object) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    void reset()
    {
        if (object_)
            object_->Release();
        object_ = nullptr;
    }
    // Where a call that creates the object writes it; what was held is released first.
    T** put()
    {
        reset();
        return &object_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    // The held reference, now the caller's to release.
    T* release()
    {
        T* object = object_;
        object_ = nullptr;
        return object;
    }

private:
    T* object_ = nullptr;
};
