; Velmora2 memory loader for the unprogrammed USB controller (8051 core).
;
; The controller's own load request (0xA0) reaches only its internal RAM. Firmware
; segments at 0x2000 and above are written through this small program: the host loads it
; with 0xA0, releases the CPU, and then sends vendor request 0xA3 (host to device), whose
; data stage is stored with MOVX from address wValue on. Every other request is left to
; the controller's own handling. Interrupts stay off; the program polls.
;
; The bytes in kernel/firmware_loader.cpp are assembled from this source by hand; the
; address and code columns below are that listing. The text at the end lets the simulated
; controller recognise the program.

SETUPDAT  equ 7FE8h     ; the 8 setup bytes of the last request
USBIRQ    equ 7FABh     ; bit 0: setup data available (write 1 to clear)
EP0CS     equ 7FB4h     ; bit 1: hold the status stage (write 1 to finish it), bit 3: OUT data busy
OUT0BC    equ 7FC5h     ; write: accept the next OUT packet; read: its byte count
OUT0BUF   equ 7EC0h     ; 64-byte buffer of the OUT packet

                org   0000h
0000  02 00 03          ljmp  start
0003  75 81 5F  start:  mov   sp,#5Fh
0006  90 7F AB  idle:   mov   dptr,#USBIRQ
0009  E0                movx  a,@dptr
000A  30 E0 F9          jnb   acc.0,idle          ; wait for a setup packet
000D  74 01             mov   a,#01h
000F  F0                movx  @dptr,a             ; acknowledge it
0010  90 7F E8          mov   dptr,#SETUPDAT
0013  E0                movx  a,@dptr             ; bmRequestType
0014  B4 40 EF          cjne  a,#40h,idle         ; vendor, host to device only
0017  A3                inc   dptr
0018  E0                movx  a,@dptr             ; bRequest
0019  B4 A3 EA          cjne  a,#0A3h,idle
001C  A3                inc   dptr
001D  E0                movx  a,@dptr
001E  FA                mov   r2,a                ; r3:r2 = wValue, the target address
001F  A3                inc   dptr
0020  E0                movx  a,@dptr
0021  FB                mov   r3,a
0022  A3                inc   dptr                ; skip wIndex
0023  A3                inc   dptr
0024  A3                inc   dptr
0025  E0                movx  a,@dptr
0026  FE                mov   r6,a                ; r7:r6 = wLength, bytes still to come
0027  A3                inc   dptr
0028  E0                movx  a,@dptr
0029  FF                mov   r7,a
002A  EE        packet: mov   a,r6
002B  4F                orl   a,r7
002C  60 31             jz    done
002E  90 7F C5          mov   dptr,#OUT0BC
0031  F0                movx  @dptr,a             ; take the next OUT packet
0032  90 7F B4  busy:   mov   dptr,#EP0CS
0035  E0                movx  a,@dptr
0036  20 E3 F9          jb    acc.3,busy
0039  90 7F C5          mov   dptr,#OUT0BC
003C  E0                movx  a,@dptr
003D  FC                mov   r4,a                ; r4 = bytes in this packet
003E  60 1F             jz    done                ; an empty packet ends the data
0040  C3                clr   c
0041  EE                mov   a,r6
0042  9C                subb  a,r4
0043  FE                mov   r6,a
0044  EF                mov   a,r7
0045  94 00             subb  a,#0
0047  FF                mov   r7,a
0048  7D C0             mov   r5,#low(OUT0BUF)
004A  8D 82     copy:   mov   dpl,r5
004C  75 83 7E          mov   dph,#high(OUT0BUF)
004F  E0                movx  a,@dptr
0050  0D                inc   r5
0051  8A 82             mov   dpl,r2
0053  8B 83             mov   dph,r3
0055  F0                movx  @dptr,a
0056  A3                inc   dptr
0057  AA 82             mov   r2,dpl
0059  AB 83             mov   r3,dph
005B  DC ED             djnz  r4,copy
005D  80 CB             sjmp  packet
005F  90 7F B4  done:   mov   dptr,#EP0CS
0062  74 02             mov   a,#02h
0064  F0                movx  @dptr,a             ; finish the status stage
0065  80 9F             sjmp  idle
0067                    db    "VELMORA2 LOADER A3"
0079                    end
